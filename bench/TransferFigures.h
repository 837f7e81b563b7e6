#pragma once

#include "ChipEvent.h"
#include "WireBurst.h"

#include <QList>

// One XMODEM transfer as the virtual chip saw it: the phase from "loadx"
// taken to EOT answered, and where the time between two packets went.
struct TransferFigures {
    bool complete = false;
    qint64 phaseUs = 0;
    int packets = 0;
    // Mean per packet: from the ACK handed to the host to the next packet's
    // first bytes read from the host (the sender's turnaround)...
    double senderTurnUs = 0;
    double senderTurnMedianUs = 0;
    // ...and from the packet's last byte on the wire to its ACK handed over,
    // less the ACK's own byte time and the adapter's latency (the chip's).
    double chipTurnUs = 0;

    static TransferFigures fromChip(
        const QList<ChipEvent>& events, const QList<WireBurst>& bursts, int baud, int latencyMs);
};
