#include "BootConsole.h"

#include "ChipXmodem.h"

#include <algorithm>
#include <cstring>
#include <zlib.h>

namespace {

constexpr quint32 flashBase = 0x18000000u;
constexpr qint64 stalledPacketUs = 1000000;
// The largest flash is 4 MiB: a longer "md" (a typo, noise on the wire) is refused
// instead of building a reply of gigabytes.
constexpr quint32 maxDumpWords = 0x100000;
const QByteArray prompt("Boot >");

bool parseNumber(const QByteArray& text, int base, quint32& value)
{
    bool ok = false;
    QByteArray digits = text;
    if (base == 16 && (digits.startsWith("0x") || digits.startsWith("0X")))
        digits = digits.mid(2);
    value = digits.toUInt(&ok, base);
    return ok;
}

} // namespace

BootConsole::BootConsole(int flashSize, Sender sender, Recorder recorder)
    : send(std::move(sender))
    , record(std::move(recorder))
    , flashBytes(flashSize, char(0xFF))
{ }

BootConsole::~BootConsole() = default;

void BootConsole::reset()
{
    lines.reset();
    receiver.reset();
    busyUntilUs = 0;
}

void BootConsole::exchangeChip(QByteArray& flash, quint32& partitionAddress)
{
    std::swap(flashBytes, flash);
    std::swap(partition, partitionAddress);
    registers.clear();
    reset();
}

void BootConsole::receive(char byte, ChipKnobs& knobs, qint64 nowUs, int following)
{
    if (nowUs < busyUntilUs)
        return;
    if (receiver) {
        // Junk between packets does not keep a waiting receiver alive.
        if (receiver->hasPartialPacket() || byte == ChipXmodem::STX)
            lastPacketByteUs = nowUs;
        const QByteArray answer = receiver->feed(byte, knobs);
        if (!answer.isEmpty())
            send(answer, 0);
        const auto state = receiver->state();
        if (state == XmodemReceiver::State::Done || state == XmodemReceiver::State::Aborted)
            finishTransfer(knobs, nowUs);
        return;
    }
    for (const ConsoleLineReader::Line& complete : lines.feed(byte, following, knobs.strictLineEnds))
        endLine(complete, knobs, nowUs);
}

// A strict console executes a line only with the line end the tools must send.
void BootConsole::endLine(const ConsoleLineReader::Line& complete, ChipKnobs& knobs, qint64 nowUs)
{
    if (knobs.strictLineEnds && complete.terminator != ConsoleLineReader::requiredTerminator(complete.text)) {
        record(ChipEvent::Refused, complete.text, complete.terminator);
        return;
    }
    handleLine(complete.text, complete.terminator, knobs, nowUs);
}

void BootConsole::tick(const ChipKnobs& knobs, qint64 nowUs)
{
    if (!receiver)
        return;
    if (receiver->state() == XmodemReceiver::State::WaitingForStart) {
        if (nowUs - lastStartRequestUs >= qint64(knobs.startRequestIntervalMs) * 1000) {
            lastStartRequestUs = nowUs;
            send(QByteArray(1, ChipXmodem::START), 0);
        }
    } else if (receiver->hasPartialPacket() && nowUs - lastPacketByteUs > stalledPacketUs) {
        lastPacketByteUs = nowUs;
        send(receiver->dropStalledPacket(), 0);
    } else if (!receiver->hasPartialPacket() && nowUs - lastPacketByteUs > qint64(knobs.receiverTimeoutMs) * 1000) {
        receiver->giveUp();
        finishTransfer(knobs, nowUs);
    }
}

qint64 BootConsole::nextTickUs(qint64 nowUs, const ChipKnobs& knobs) const
{
    if (!receiver)
        return -1;
    if (receiver->state() == XmodemReceiver::State::WaitingForStart)
        return 1000; // coarse is fine: the interval is in milliseconds
    if (receiver->hasPartialPacket())
        return std::max<qint64>(0, lastPacketByteUs + stalledPacketUs - nowUs);
    return std::max<qint64>(0, lastPacketByteUs + qint64(knobs.receiverTimeoutMs) * 1000 - nowUs);
}

void BootConsole::handleLine(const QByteArray& text, const QByteArray& terminator, ChipKnobs& knobs, qint64 nowUs)
{
    if (text.trimmed().isEmpty()) {
        record(ChipEvent::Knock, text, terminator);
        reply("\r\n" + prompt, knobs);
        return;
    }
    record(ChipEvent::Command, text, terminator);
    if (knobs.floodBytes > 0 && !knobs.floodOnCommand.isEmpty() && text.startsWith(knobs.floodOnCommand)) {
        knobs.floodOnCommand.clear();
        if (flood)
            flood(knobs.floodBytes);
        return;
    }
    QByteArray echo = text;
    if (knobs.echoDoubledSpace && echo.contains(' '))
        echo.insert(echo.indexOf(' '), ' ');
    if (knobs.echoBehindPrompt)
        echo.prepend(prompt);
    if (knobs.dropEchoes > 0) {
        --knobs.dropEchoes;
        echo.clear();
    }
    bool withPrompt = true;
    dumpCutOffset = -1;
    QByteArray body;
    if (knobs.usageReply)
        body = "Usage: " + text.split(' ').value(0) + " <args>";
    else
        body = execute(text.simplified().split(' '), knobsForCommand(text, knobs), nowUs, withPrompt);

    QByteArray out = echo + "\r\n";
    if (!body.isEmpty())
        out += body;
    if (withPrompt)
        out += (body.isEmpty() ? QByteArray() : QByteArray("\r\n")) + prompt;
    if (dumpCutOffset >= 0) {
        const int cut = echo.size() + 2 + dumpCutOffset;
        send(out.left(cut), 0);
        if (knobs.mdRestDelayMs >= 0)
            send(out.mid(cut), qint64(knobs.mdRestDelayMs) * 1000);
        return;
    }
    // The echo leaves at once; what the command prints, and the prompt, once it is done.
    const qint64 work = workUs(text.simplified().split(' '), knobs);
    if (work > 0) {
        reply(echo + "\r\n", knobs);
        send(out.mid(echo.size() + 2), work);
        busyUntilUs = nowUs + work;
    } else {
        reply(out, knobs);
    }
    if (receiver && knobs.startInLoadxReply) {
        lastStartRequestUs = nowUs + work;
        send(QByteArray(1, ChipXmodem::START), work);
    }
}

qint64 BootConsole::workUs(const QList<QByteArray>& words, const ChipKnobs& knobs)
{
    qint64 us = qint64(knobs.commandDelayMs) * 1000;
    if (words.value(0) == "checksum")
        us += qint64(knobs.checksumUsPerKiB) * words.value(3).toLongLong() / 1024;
    return us;
}

void BootConsole::reply(const QByteArray& text, const ChipKnobs& knobs)
{
    const QByteArray bytes = knobs.noiseBytes > 0 ? noise(knobs) + text : text;
    if (knobs.splitReplyAt > 0 && bytes.size() > knobs.splitReplyAt) {
        send(bytes.left(knobs.splitReplyAt), 0);
        send(bytes.mid(knobs.splitReplyAt), qint64(knobs.splitPauseMs) * 1000);
        return;
    }
    send(bytes, 0);
}

// Junk as a noisy line delivers it: any byte value, but never one of the
// console's own markers, so that the noise cannot pass for a real answer.
QByteArray BootConsole::noise(const ChipKnobs& knobs)
{
    if (knobs.noiseSeed != noiseSeed) {
        noiseSeed = knobs.noiseSeed;
        noiseGenerator.seed(noiseSeed);
    }
    static const QList<QByteArray> markers { "Boot", "Usage", "Unknown", "CRC", "Erase", "md ", "loadx" };
    QByteArray junk;
    for (bool clean = false; !clean;) {
        junk.resize(knobs.noiseBytes);
        for (char& byte : junk) {
            do
                byte = char(noiseGenerator() & 0xFF);
            while (byte == '\r' || byte == '\n');
        }
        clean
            = std::none_of(markers.cbegin(), markers.cend(), [&junk](const QByteArray& m) { return junk.contains(m); });
    }
    return junk + "\r\n";
}

QByteArray BootConsole::execute(const QList<QByteArray>& words, const ChipKnobs& knobs, qint64 nowUs, bool& prompt)
{
    const QByteArray& verb = words.value(0);
    const QByteArray sub = words.value(1);
    if (verb == "flash") {
        if (sub == "1" || sub == "3")
            return {};
        if (sub == "5")
            return words.size() == 6 ? QByteArray() : QByteArray("Usage: flash 5 <id> <sector> <mode> <on>");
        if (sub == "6") {
            quint32 address = 0;
            if (words.size() != 8 || !parseNumber(words.at(5), 16, address))
                return "Usage: flash 6 0 1 <name> <addr> <load> <size>";
            partition = address;
            return {};
        }
        if (sub == "7")
            return erase(words.mid(2), knobs);
        return "Usage: flash <1|3|5|6|7> ...";
    }
    if (verb == "erase")
        return erase(words.mid(1), knobs);
    if (verb == "mw") {
        quint32 address = 0;
        quint32 value = 0;
        if (words.size() != 3 || !parseNumber(words.at(1), 16, address) || !parseNumber(words.at(2), 16, value))
            return "Usage: mw <addr> <value>";
        registers.insert(address, value);
        return {};
    }
    if (verb == "md")
        return memoryDump(words, knobs);
    if (verb == "checksum") {
        prompt = !knobs.checksumEndsAtDigits;
        return checksum(words, knobs);
    }
    if (verb == "loadx" && words.size() == 1) {
        startTransfer(knobs, nowUs);
        prompt = false;
        return {};
    }
    return "Unknown command";
}

QByteArray BootConsole::erase(const QList<QByteArray>& args, const ChipKnobs& knobs)
{
    quint32 address = 0;
    quint32 length = 0;
    if (args.size() != 2 || !parseNumber(args.at(0), 16, address) || !parseNumber(args.at(1), 16, length))
        return "Usage: flash 7 <addr> <len>";
    ++eraseAttempts;
    if (knobs.eraseNeverCompletes)
        return "Erasing...";
    if (knobs.eraseCompletesAtAttempt > 0 && eraseAttempts < knobs.eraseCompletesAtAttempt)
        return "Erasing...";
    const qint64 offset = qint64(address) - flashBase;
    const qint64 end = std::min<qint64>(offset + length, flashBytes.size());
    for (qint64 i = std::max<qint64>(offset, 0); i < end; ++i)
        flashBytes[int(i)] = char(0xFF);
    ++erases;
    eraseAttempts = 0;
    return "Erase Flash done";
}

quint32 BootConsole::readWord(quint32 address) const
{
    if (address == 4 && !registers.contains(4))
        return 0;
    if (registers.contains(address))
        return registers.value(address);
    const qint64 offset = qint64(address) - flashBase;
    if (offset < 0 || offset + 4 > flashBytes.size())
        return 0;
    quint32 word = 0;
    std::memcpy(&word, flashBytes.constData() + offset, 4); // the chip is little-endian, as is this host
    return word;
}

QByteArray BootConsole::memoryDump(const QList<QByteArray>& words, const ChipKnobs& knobs)
{
    quint32 address = 0;
    if (words.size() < 2 || words.size() > 3 || !parseNumber(words.at(1), 16, address))
        return "Usage: md <addr> [count]";
    if (words.size() == 2) {
        const quint32 value = address == 4 ? knobs.md4Word : readWord(address);
        const QByteArray digits = QByteArray::number(value, 16).rightJustified(8, '0');
        return "[0x" + QByteArray::number(address, 16).rightJustified(8, '0').toUpper() + "] = 0x"
            + (knobs.md4LowerCase ? digits : digits.toUpper());
    }
    quint32 count = 0;
    if (!parseNumber(words.at(2), 10, count) || count > maxDumpWords)
        return "Usage: md <addr> [count]";
    const bool cut = ++countedDumps == knobs.mdCutAtCommand;
    QByteArray out;
    out.reserve(qsizetype(count) * 10 + qsizetype(count / 4) * 12);
    for (quint32 i = 0; i < count; i += 4) {
        if (i > 0)
            out += "\r\n";
        out += QByteArray::number(address + i * 4, 16).rightJustified(8, '0') + ':';
        for (quint32 k = i; k < std::min(count, i + 4); ++k) {
            if (cut && k == quint32(knobs.mdCutAfterWords))
                dumpCutOffset = out.size();
            out += ' ' + QByteArray::number(readWord(address + k * 4), 16).rightJustified(8, '0');
        }
        for (int extra = 0; extra < knobs.mdExtraWords; ++extra)
            out += " 5a5a5a5a";
    }
    return out;
}

// The knobs one command runs with: a count of faults to come is used up here.
ChipKnobs BootConsole::knobsForCommand(const QByteArray& text, ChipKnobs& knobs)
{
    ChipKnobs used = knobs;
    if (knobs.wrongChecksums > 0 && text.startsWith("checksum")) {
        --knobs.wrongChecksums;
        used.wrongChecksum = true;
    }
    return used;
}

QByteArray BootConsole::checksum(const QList<QByteArray>& words, const ChipKnobs& knobs)
{
    quint32 address = 0;
    quint32 length = 0;
    if (words.size() != 4 || words.at(1) != "1" || !parseNumber(words.at(2), 16, address)
        || !parseNumber(words.at(3), 10, length))
        return "Usage: checksum 1 <addr> <len>";
    // The RS-485 form names no address: the range just loaded.
    const qint64 offset = address == 0xFFFFFFFFu ? qint64(partition) : qint64(address) - flashBase;
    if (knobs.unreadableChecksum)
        return "checksum busy";
    quint32 crc = 0;
    if (offset >= 0 && offset + qint64(length) <= qint64(flashBytes.size()))
        crc = quint32(crc32(0, reinterpret_cast<const Bytef*>(flashBytes.constData() + offset), uInt(length)));
    if (knobs.wrongChecksum)
        crc ^= 0x00010000u;
    QByteArray digits = QByteArray::number(crc, 16).rightJustified(8, '0');
    if (!knobs.checksumLowerCase)
        digits = digits.toUpper();
    if (knobs.garbledChecksum)
        digits = "0000 0?0";
    return "CRC32 = 0x" + digits;
}

void BootConsole::startTransfer(const ChipKnobs&, qint64 nowUs)
{
    record(ChipEvent::TransferStart, "loadx", {});
    lastStartRequestUs = nowUs;
    receiver = std::make_unique<XmodemReceiver>([this](int index, const QByteArray& data) {
        const qint64 at = qint64(partition) + qint64(index) * data.size();
        if (at >= 0 && at < flashBytes.size())
            std::memcpy(flashBytes.data() + at, data.constData(),
                size_t(std::min<qint64>(data.size(), flashBytes.size() - at)));
        record(ChipEvent::Packet, QByteArray::number(index + 1), {});
    });
}

void BootConsole::finishTransfer(const ChipKnobs& knobs, qint64 nowUs)
{
    const bool done = receiver->state() == XmodemReceiver::State::Done;
    const int packets = receiver->packetsWritten();
    record(done ? ChipEvent::TransferEnd : ChipEvent::TransferAbort, QByteArray::number(packets), {});
    receiver.reset();
    const qint64 work = done ? qint64(knobs.loadDoneDelayMs) * 1000 : 0;
    busyUntilUs = nowUs + work;
    send("\r\n" + QByteArray(done ? "Load done: " : "Load aborted: ") + QByteArray::number(packets) + " packets\r\n"
            + prompt,
        work);
}
