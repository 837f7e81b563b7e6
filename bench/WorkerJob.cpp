#include "WorkerJob.h"

#include "BenchImage.h"
#include "CpuClock.h"
#include "DownloadWorker.h"
#include "HostClock.h"
#include "LogTimeline.h"
#include "VirtualChip.h"
#include "WorkerSettings.h"

#include <cstdio>

namespace {

// With fixed waits each command written outside the transfer sleeps its wait
// before the reply is read, and verification pauses first; without, nothing.
qint64 pausesSleptUs(const QList<QByteArray>& commands, const WorkerSettings& settings, const LinkTiming& timing)
{
    if (!settings.FixedWaits)
        return 0;
    const qint64 checksumWait
        = settings.VerifyUnitTime != 0 ? settings.VerifyUnitTime : timing.verifyDefaultWait.count();
    qint64 ms = timing.verifySettle.count();
    for (const QByteArray& command : commands) {
        if (command == "loadx")
            continue; // its wait is part of the transfer phase
        ms += command.startsWith("checksum ") ? checksumWait : 10;
    }
    return ms * 1000;
}

// Every line of the job with the milliseconds since the previous one, on standard error.
void printTimeline(const LogTimeline& log)
{
    qint64 previous = -1;
    for (const LogTimeline::Line& line : log.lines()) {
        std::fprintf(stderr, "  %+9.3f ms  %s\n", previous < 0 ? 0.0 : double(line.atUs - previous) / 1000.0,
            qPrintable(line.text));
        previous = line.atUs;
    }
}

} // namespace

WorkerJob WorkerJob::run(VirtualChip& chip, const QByteArray& image, int baud, int latencyMs, bool fixedWaits,
    bool trace, const IdentitySettings& identity, MacAllocator* macs)
{
    WorkerSettings settings(0);
    settings.identity = identity;
    settings.portName = chip.portName();
    settings.BaudRate = QString::number(baud);
    settings.FixedWaits = fixedWaits;
    settings.image = image;
    settings.packetCount = BenchImage::packetCount(image);
    settings.imageCrc = BenchImage::crc(image);
    DownloadWorker worker;
    worker.settings = &settings;
    worker.setMacAllocator(macs);
    LogTimeline log;
    log.attach(worker);

    chip.clearEvents();
    chip.recordWire(true);
    WorkerJob job;
    const double cpuBefore = CpuClock::callingThread();
    const qint64 startUs = HostClock::nowUs();
    worker.start(true);
    job.jobUs = HostClock::nowUs() - startUs;
    job.cpuPerSecond = (CpuClock::callingThread() - cpuBefore) / (double(job.jobUs) / 1e6);
    job.passed = log.contains(QStringLiteral("Download successed!"));
    job.transfer = TransferFigures::fromChip(chip.events(), chip.wireBursts(), baud, latencyMs);
    chip.recordWire(false);

    job.fixedWaitsUs = pausesSleptUs(chip.commands(), settings, worker.timing());
    const qint64 verifyAt = log.timeOf(QStringLiteral("Verify..."));
    const qint64 checksumAt = log.timeOfFirstStartingWith(QStringLiteral("checksum 1 "));
    const qint64 settleUs = fixedWaits ? qint64(worker.timing().verifySettle.count()) * 1000 : 0;
    if (verifyAt >= 0 && checksumAt >= 0)
        job.drainUs = checksumAt - verifyAt - settleUs;
    for (const LogTimeline::Line& line : log.lines())
        job.lines.append({ line.atUs, line.text });
    if (!job.passed || trace) {
        std::fprintf(stderr, "%s, %d baud, %d ms latency%s:\n", job.passed ? "worker run" : "worker run failed", baud,
            latencyMs, fixedWaits ? ", fixed waits" : "");
        printTimeline(log);
    }
    return job;
}
