#pragma once

#include "IdentitySettings.h"
#include "TransferFigures.h"

#include <QByteArray>

class MacAllocator;
class VirtualChip;

// One whole download job of the worker into a virtual chip, timed: the job
// on the host's clock, the XMODEM phase on the chip's, and what the job spent
// outside the transfer waiting on fixed pauses.
struct WorkerJob {
    bool passed = false;
    qint64 jobUs = 0;
    TransferFigures transfer;
    qint64 fixedWaitsUs = 0; // the pauses slept outside the transfer (fixed waits only)
    qint64 drainUs = 0; // verification's wait for what the transfer left behind
    double cpuPerSecond = 0;

    qint64 overheadUs() const { return jobUs - transfer.phaseUs; }

    // The job's log lines, each with the host's time it was emitted at (µs).
    QList<QPair<qint64, QString>> lines;

    // trace: print the job's lines with the time between them on standard error.
    // identity and macs: each chip's MAC address out of a pool.
    static WorkerJob run(VirtualChip& chip, const QByteArray& image, int baud, int latencyMs, bool fixedWaits,
        bool trace = false, const IdentitySettings& identity = IdentitySettings(), MacAllocator* macs = nullptr);
};
