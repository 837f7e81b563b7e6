#include "ConsoleReply.h"

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

bool hasPrompt(const QByteArray& reply)
{
    return reply.contains("Boot >");
}

bool hasReadableChecksum(const QByteArray& reply)
{
    const int at = reply.indexOf(checksumMarker);
    return at >= 0 && reply.size() > at + checksumLineLength;
}

quint32 checksumValue(const QByteArray& reply)
{
    const int at = reply.indexOf(checksumMarker);
    bool ok = false;
    const quint32 value = reply.mid(at + checksumDigitsOffset, 8).toUInt(&ok, 16);
    return ok ? value : 0;
}

} // namespace ConsoleReply
