#include "ConsoleReply.h"

#include "Xmodem.h"

#include <algorithm>
#include <cctype>

namespace ConsoleReply {

namespace {
const QByteArray checksumMarker("CRC");
// "CRC32 = 0x" and eight digits
constexpr int checksumLineLength = 18;
constexpr int checksumDigitsOffset = 10;
} // namespace

bool isRejected(const QByteArray& reply)
{
    return reply.contains("Unknown command") || reply.contains("Usage");
}

bool isCommandAccepted(const QByteArray& reply, const QByteArray& cmd)
{
    return !isRejected(reply) && reply.contains(cmd);
}

bool isCompleteReply(const QByteArray& reply, const QByteArray& cmd)
{
    const int echo = reply.indexOf(cmd);
    if (echo < 0)
        return false;
    const QByteArray after = reply.mid(echo + cmd.size());
    // "loadx" hands the line to the XMODEM receiver: its start request, not a prompt, ends the reply.
    if (cmd == "loadx" && Xmodem::hasStartChar(after))
        return true;
    return after.contains("Boot >");
}

bool hasPrompt(const QByteArray& reply)
{
    return reply.contains("Boot >");
}

bool hasReadableChecksum(const QByteArray& reply)
{
    const int at = reply.indexOf(checksumMarker);
    return at >= 0 && reply.size() > at + checksumLineLength;
}

std::optional<quint32> checksumValue(const QByteArray& reply)
{
    if (!hasReadableChecksum(reply))
        return std::nullopt;
    const QByteArray digits = reply.mid(reply.indexOf(checksumMarker) + checksumDigitsOffset, 8);
    // toUInt alone would also take a sign, blanks or a second "0x".
    const bool allHex = std::all_of(digits.cbegin(), digits.cend(), [](char c) { return std::isxdigit(uchar(c)); });
    if (!allHex)
        return std::nullopt;
    return digits.toUInt(nullptr, 16);
}

} // namespace ConsoleReply
