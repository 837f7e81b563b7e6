// XMODEM framing against the virtual chip's receiver as the oracle: a packet
// built by buildPacket is taken, a corrupted one is refused with NAK. Also the
// start-request detection on arbitrary replies.
#include "ChipKnobs.h"
#include "FuzzCheck.h"
#include "Xmodem.h"
#include "XmodemReceiver.h"

#include <QByteArray>
#include <QList>

#include <fuzzer/FuzzedDataProvider.h>

namespace {

constexpr int packetSize = 1024;
constexpr int packetLength = packetSize + 5;

QByteArray toBytes(const std::vector<uint8_t>& bytes)
{
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

bool isAsciiSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

void checkStartChar(const QByteArray& reply)
{
    const bool found = Xmodem::hasStartChar(reply);
    if (!reply.contains(Xmodem::START))
        FUZZ_CHECK(!found);
    if (reply.startsWith(Xmodem::START))
        FUZZ_CHECK(found);
    for (int i = 1; i < reply.size(); ++i)
        if (reply.at(i) == Xmodem::START && isAsciiSpace(reply.at(i - 1)))
            FUZZ_CHECK(found);
}

QByteArray feedAll(XmodemReceiver& receiver, const QByteArray& bytes, const ChipKnobs& knobs)
{
    QByteArray answers;
    for (const char byte : bytes)
        answers += receiver.feed(byte, knobs);
    return answers;
}

void checkPacketLayout(const QByteArray& packet, int remaining, quint8 block, const QByteArray& payload)
{
    FUZZ_CHECK(packet.size() == packetLength);
    FUZZ_CHECK(packet.at(0) == Xmodem::STX);
    FUZZ_CHECK(quint8(packet.at(1)) == block);
    FUZZ_CHECK(quint8(packet.at(2)) == quint8(~block));
    const int used = std::clamp(remaining, 0, packetSize);
    FUZZ_CHECK(packet.mid(3, used) == payload.left(used));
    FUZZ_CHECK(packet.mid(3 + used, packetSize - used) == QByteArray(packetSize - used, Xmodem::PAD));
    const quint16 crc = Xmodem::crc16(packet.constData() + 3, packetSize);
    FUZZ_CHECK(quint8(packet.at(packetLength - 2)) == crc >> 8 && quint8(packet.at(packetLength - 1)) == (crc & 0xFF));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    const int remaining = in.ConsumeIntegralInRange<int>(-2, 2 * packetSize);
    const quint8 block = in.ConsumeIntegral<quint8>();
    // A flip of at most 16 adjacent bits: CRC-16 detects every such burst, and
    // a flip in the block number breaks its complement.
    const int flipAt = in.ConsumeIntegralInRange<int>(1, packetLength - 2);
    const quint16 flipMask = in.ConsumeIntegralInRange<quint16>(1, 0xFFFF);
    const QByteArray reply = toBytes(in.ConsumeBytes<uint8_t>(in.ConsumeIntegralInRange<size_t>(0, 256)));
    QByteArray payload = toBytes(in.ConsumeRemainingBytes<uint8_t>());
    payload = payload.leftJustified(packetSize, '\0', true);

    checkStartChar(reply);

    const QByteArray any = Xmodem::buildPacket(remaining, block, payload.constData(), packetSize);
    checkPacketLayout(any, remaining, block, payload);

    ChipKnobs knobs;
    QList<QByteArray> written;
    XmodemReceiver receiver([&written](int, const QByteArray& bytes) { written.append(bytes); });
    const int used = std::clamp(remaining, 0, packetSize);
    const QByteArray first = Xmodem::buildPacket(remaining, 1, payload.constData(), packetSize);
    FUZZ_CHECK(feedAll(receiver, first, knobs) == QByteArray(1, Xmodem::ACK));
    FUZZ_CHECK(written.size() == 1 && written.at(0) == first.mid(3, packetSize));
    FUZZ_CHECK(written.at(0).left(used) == payload.left(used));

    const QByteArray second = Xmodem::buildPacket(packetSize, 2, payload.constData(), packetSize);
    QByteArray corrupted = second;
    corrupted[flipAt] = char(corrupted.at(flipAt) ^ (flipMask >> 8));
    corrupted[flipAt + 1] = char(corrupted.at(flipAt + 1) ^ (flipMask & 0xFF));
    const QByteArray answer = feedAll(receiver, corrupted, knobs);
    FUZZ_CHECK(written.size() == 1);
    // The CRC does not cover the block number: a flip that keeps it and its
    // complement consistent names another block, which is refused by CAN (or
    // taken for a resend of the last one), never written.
    const bool otherBlock = quint8(corrupted.at(1)) != 2;
    const bool blockStillConsistent = quint8(corrupted.at(2)) == quint8(~quint8(corrupted.at(1)));
    if (!otherBlock || !blockStillConsistent) {
        FUZZ_CHECK(answer == QByteArray(1, Xmodem::NAK));
    } else {
        const bool lastBlockAgain = quint8(corrupted.at(1)) == 1;
        FUZZ_CHECK(answer == QByteArray(1, lastBlockAgain ? Xmodem::ACK : Xmodem::CAN));
        return 0;
    }

    FUZZ_CHECK(feedAll(receiver, second, knobs) == QByteArray(1, Xmodem::ACK));
    FUZZ_CHECK(written.size() == 2 && written.at(1) == payload);
    // The same packet again (its ACK was lost) is acknowledged, not written twice.
    FUZZ_CHECK(feedAll(receiver, second, knobs) == QByteArray(1, Xmodem::ACK));
    FUZZ_CHECK(written.size() == 2);

    FUZZ_CHECK(feedAll(receiver, QByteArray(1, Xmodem::EOT), knobs) == QByteArray(1, Xmodem::ACK));
    FUZZ_CHECK(receiver.state() == XmodemReceiver::State::Done && receiver.packetsWritten() == 2);
    return 0;
}
