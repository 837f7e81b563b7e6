#pragma once

#include <QByteArray>

#include <functional>

struct ChipKnobs;

// The boot console's XMODEM-1K receiver: checks each packet and hands good
// data to the flash writer. Bytes go in one at a time; answers come back as
// the return value (empty when there is nothing to say yet).
class XmodemReceiver {
public:
    enum class State { WaitingForStart, Receiving, Done, Aborted };

    using Writer = std::function<void(int packetIndex, const QByteArray& data)>;

    explicit XmodemReceiver(Writer writer);

    QByteArray feed(char byte, const ChipKnobs& knobs);
    // A packet that stalls half way is dropped, as a real receiver would time out.
    QByteArray dropStalledPacket();
    // The receiver's own time-out: it stops waiting for the next packet.
    void giveUp();

    State state() const { return current; }
    int packetsWritten() const { return written; }
    bool hasPartialPacket() const { return !packet.isEmpty(); }

private:
    QByteArray judgePacket(const ChipKnobs& knobs);

    Writer write;
    State current = State::WaitingForStart;
    QByteArray packet;
    quint8 expectedBlock = 1;
    int written = 0;
    int arrivals = 0;
    int cancels = 0; // CANs in a row between packets
    bool nakPacketDone = false;
};
