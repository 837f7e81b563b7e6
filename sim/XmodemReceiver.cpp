#include "XmodemReceiver.h"

#include "ChipKnobs.h"
#include "ChipXmodem.h"

using ChipXmodem::dataLength;
using ChipXmodem::packetLength;

XmodemReceiver::XmodemReceiver(Writer writer)
    : write(std::move(writer))
{ }

QByteArray XmodemReceiver::feed(char byte, const ChipKnobs& knobs)
{
    if (current == State::Done || current == State::Aborted)
        return {};
    if (packet.isEmpty()) {
        if (byte == ChipXmodem::EOT) {
            if (knobs.ignoreEot)
                return {};
            current = State::Done;
            return QByteArray(1, knobs.nakEot ? ChipXmodem::NAK : ChipXmodem::ACK);
        }
        // One CAN may be line noise; two in a row are the sender giving up.
        if (byte == ChipXmodem::CAN) {
            if (++cancels >= 2)
                current = State::Aborted;
            return {};
        }
        cancels = 0;
        if (byte != ChipXmodem::STX)
            return {}; // line noise between packets
        current = State::Receiving;
    }
    packet.append(byte);
    if (packet.size() < packetLength)
        return {};
    QByteArray answer = judgePacket(knobs);
    packet.clear();
    return answer;
}

QByteArray XmodemReceiver::dropStalledPacket()
{
    packet.clear();
    return QByteArray(1, ChipXmodem::NAK);
}

void XmodemReceiver::giveUp()
{
    packet.clear();
    current = State::Aborted;
}

QByteArray XmodemReceiver::judgePacket(const ChipKnobs& knobs)
{
    ++arrivals;
    const quint8 block = quint8(packet.at(1));
    const quint8 complement = quint8(packet.at(2));
    const quint16 crc = quint16(quint8(packet.at(1027)) << 8 | quint8(packet.at(1028)));
    const bool intact = quint8(~block) == complement && ChipXmodem::crc16(packet.constData() + 3, dataLength) == crc;
    if (!intact)
        return QByteArray(1, ChipXmodem::NAK);

    const int number = written + 1;
    if (block == quint8(expectedBlock - 1) && written > 0)
        return QByteArray(1, ChipXmodem::ACK); // a resent packet we already have
    if (block != expectedBlock) {
        current = State::Aborted;
        return QByteArray(1, ChipXmodem::CAN);
    }
    if (knobs.nakForever)
        return QByteArray(1, ChipXmodem::NAK);
    if (knobs.nakPacket == number && !nakPacketDone) {
        nakPacketDone = true;
        return QByteArray(1, ChipXmodem::NAK);
    }
    if (knobs.cancelAtPacket == number) {
        current = State::Aborted;
        return QByteArray(1, ChipXmodem::CAN);
    }
    if (knobs.strangeAnswerAtPacket == number)
        return knobs.strangeAnswer;

    write(written, packet.mid(3, dataLength));
    ++written;
    ++expectedBlock;
    QByteArray answer(1, ChipXmodem::ACK);
    if (knobs.ackWithStartChar)
        answer.append(ChipXmodem::START);
    return answer;
}
