// The command-echo judgement and the checksum reader on arbitrary replies and commands.
#include "ConsoleReply.h"
#include "FuzzCheck.h"

#include <QByteArray>

#include <fuzzer/FuzzedDataProvider.h>

namespace {

const QByteArray prompt("Boot >");

QByteArray toBytes(const std::string& text)
{
    return QByteArray(text.data(), qsizetype(text.size()));
}

bool isHexDigits(const QByteArray& text)
{
    for (const char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')))
            return false;
    return !text.isEmpty();
}

void checkEchoJudgement(const QByteArray& reply, const QByteArray& cmd)
{
    const bool rejected = ConsoleReply::isRejected(reply);
    const bool accepted = ConsoleReply::isCommandAccepted(reply, cmd);
    FUZZ_CHECK(rejected == (reply.contains("Unknown command") || reply.contains("Usage")));
    FUZZ_CHECK(!(accepted && rejected));
    FUZZ_CHECK(!accepted || reply.contains(cmd));
    FUZZ_CHECK(ConsoleReply::hasPrompt(reply) == reply.contains(prompt));

    // The console's ordinary answer: the echo, a line break, the prompt.
    const QByteArray echoed = cmd + "\r\n" + prompt;
    FUZZ_CHECK(ConsoleReply::isCommandAccepted(echoed, cmd) == !ConsoleReply::isRejected(echoed));
    FUZZ_CHECK(ConsoleReply::hasPrompt(echoed));
    // A complaint after a perfect echo is never taken for acceptance.
    FUZZ_CHECK(!ConsoleReply::isCommandAccepted(cmd + "\r\nUsage: " + reply, cmd));
}

// A value is read only from eight hexadecimal digits that spell it: a garbled
// line must never pass for a checksum, not even for 0.
void checkChecksumReading(const QByteArray& reply)
{
    if (!ConsoleReply::hasReadableChecksum(reply))
        return;
    const int at = reply.indexOf("CRC");
    FUZZ_CHECK(at >= 0 && reply.size() > at + 18);
    const std::optional<quint32> value = ConsoleReply::checksumValue(reply);
    const QByteArray digits = reply.mid(at + 10, 8);
    if (isHexDigits(digits))
        FUZZ_CHECK(value && digits.toUInt(nullptr, 16) == *value);
    else
        FUZZ_CHECK(!value);
}

// The chip's own line, in either case, behind the echo of the command.
void checkChecksumRoundTrip(const QByteArray& cmd, quint32 value, bool lowerCase)
{
    if (cmd.contains("CRC"))
        return; // "checksum 1 ..." never does; an echo with the marker would hide the line
    QByteArray digits = QByteArray::number(value, 16).rightJustified(8, '0');
    if (!lowerCase)
        digits = digits.toUpper();
    const QByteArray reply = cmd + "\r\nCRC32 = 0x" + digits + "\r\n" + prompt;
    FUZZ_CHECK(ConsoleReply::hasReadableChecksum(reply));
    FUZZ_CHECK(ConsoleReply::checksumValue(reply) == value);
    FUZZ_CHECK(!ConsoleReply::checksumValue(reply.left(reply.indexOf("CRC") + 18)));
    // Cut right after the digits the line is not readable yet.
    FUZZ_CHECK(!ConsoleReply::hasReadableChecksum(reply.left(reply.indexOf("CRC") + 18)));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    const quint32 value = in.ConsumeIntegral<quint32>();
    const bool lowerCase = in.ConsumeBool();
    const QByteArray cmd = toBytes(in.ConsumeRandomLengthString(80));
    const QByteArray reply = toBytes(in.ConsumeRemainingBytesAsString());

    checkEchoJudgement(reply, cmd);
    checkChecksumReading(reply);
    checkChecksumRoundTrip(cmd, value, lowerCase);
    return 0;
}
