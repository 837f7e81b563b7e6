#include "TransferFigures.h"

#include <algorithm>
#include <numeric>

TransferFigures TransferFigures::fromChip(
    const QList<ChipEvent>& events, const QList<WireBurst>& bursts, int baud, int latencyMs)
{
    TransferFigures figures;
    qint64 startUs = -1;
    qint64 endUs = -1;
    for (const ChipEvent& event : events) {
        if (event.kind == ChipEvent::TransferStart && startUs < 0)
            startUs = event.atUs;
        else if (event.kind == ChipEvent::Packet && startUs >= 0)
            ++figures.packets;
        else if (event.kind == ChipEvent::TransferEnd && startUs >= 0)
            endUs = event.atUs;
    }
    if (startUs < 0 || endUs < 0)
        return figures;
    figures.complete = true;
    figures.phaseUs = endUs - startUs;

    // Every burst to the host between the first packet's arrival and EOT is an ACK.
    const double ackWireUs = 10e6 / baud;
    qint64 lastFromHostEndUs = -1;
    qint64 pendingAckUs = -1;
    QList<double> senderTurns;
    double chipTotal = 0;
    int chipTurns = 0;
    for (const WireBurst& burst : bursts) {
        if (burst.atUs < startUs || burst.atUs > endUs)
            continue;
        if (burst.direction == WireBurst::FromHost) {
            if (pendingAckUs >= 0) {
                senderTurns.append(double(burst.atUs - pendingAckUs));
                pendingAckUs = -1;
            }
            lastFromHostEndUs = burst.wireEndUs;
        } else if (lastFromHostEndUs >= 0) {
            chipTotal += double(burst.atUs - lastFromHostEndUs) - ackWireUs - latencyMs * 1000.0;
            ++chipTurns;
            pendingAckUs = burst.atUs;
        }
    }
    if (!senderTurns.isEmpty()) {
        figures.senderTurnUs = std::accumulate(senderTurns.cbegin(), senderTurns.cend(), 0.0) / senderTurns.size();
        std::sort(senderTurns.begin(), senderTurns.end());
        figures.senderTurnMedianUs = senderTurns.at(senderTurns.size() / 2);
    }
    figures.chipTurnUs = chipTurns > 0 ? chipTotal / chipTurns : 0;
    return figures;
}
