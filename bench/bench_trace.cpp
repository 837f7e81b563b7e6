// bench_trace: what the wire trace (TERVASK_TRACE) costs a download: the
// XMODEM phase with the trace on against the same download with it off,
// through the same virtual line, the chip's own clock measuring both.
#include "BenchChip.h"
#include "BenchImage.h"
#include "CpuClock.h"
#include "DownloadWorker.h"
#include "HostClock.h"
#include "NumberList.h"
#include "TransferFigures.h"
#include "VirtualChip.h"
#include "WireTraceWriter.h"
#include "WorkerSettings.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int downloadOffset = 0x1000;

struct Run {
    bool passed = false;
    qint64 phaseUs = 0;
    double cpuPerSecond = 0; // the worker's thread, per wall second of the job
    qint64 traceBytes = 0;
};

// One download; traceFile empty: the trace is off.
Run download(VirtualChip& chip, const QByteArray& image, int baud, int latencyMs, const QString& traceFile)
{
    WorkerSettings settings(0);
    settings.portName = chip.portName();
    settings.BaudRate = QString::number(baud);
    settings.image = image;
    settings.packetCount = BenchImage::packetCount(image);
    settings.imageCrc = BenchImage::crc(image);
    DownloadWorker worker;
    worker.settings = &settings;
    if (!traceFile.isEmpty()) {
        QFile::remove(traceFile);
        worker.setWireTap(std::make_unique<WireTraceWriter>(traceFile, QStringLiteral("bench_trace")));
    }
    bool finishedWell = false;
    QObject::connect(&worker, &DownloadWorker::sngFinishAll, [&finishedWell](bool pass) { finishedWell = pass; });

    chip.clearEvents();
    chip.recordWire(true);
    const double cpuBefore = CpuClock::callingThread();
    const qint64 startUs = HostClock::nowUs();
    worker.start(true);
    const qint64 jobUs = HostClock::nowUs() - startUs;
    Run run;
    run.cpuPerSecond = (CpuClock::callingThread() - cpuBefore) / (double(jobUs) / 1e6);
    const TransferFigures figures = TransferFigures::fromChip(chip.events(), chip.wireBursts(), baud, latencyMs);
    chip.recordWire(false);
    run.phaseUs = figures.phaseUs;
    run.passed = finishedWell && figures.complete && chip.flash(downloadOffset, int(image.size())) == image;
    worker.setWireTap(nullptr); // writes out and closes the file
    run.traceBytes = traceFile.isEmpty() ? 0 : QFile(traceFile).size();
    return run;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Downloads with the wire trace off and on, alternately."));
    parser.addHelpOption();
    const QCommandLineOption sizeOption(
        QStringLiteral("size"), QStringLiteral("Image bytes."), QStringLiteral("bytes"), QStringLiteral("1048576"));
    const QCommandLineOption baudOption(QStringLiteral("bauds"), QStringLiteral("Baud rates, comma-separated."),
        QStringLiteral("list"), QStringLiteral("921600"));
    const QCommandLineOption latencyOption(QStringLiteral("latencies"),
        QStringLiteral("Adapter latencies in ms, comma-separated."), QStringLiteral("list"), QStringLiteral("0,1"));
    const QCommandLineOption runsOption(QStringLiteral("runs"),
        QStringLiteral("Runs of each case, off and on alternately; the best of each counts."), QStringLiteral("runs"),
        QStringLiteral("3"));
    parser.addOptions({ sizeOption, baudOption, latencyOption, runsOption });
    parser.process(app);

    const QByteArray image = BenchImage::make(parser.value(sizeOption).toInt());
    const int runs = std::max(1, parser.value(runsOption).toInt());
    QTemporaryDir dir;
    const QString traceFile = dir.filePath(QStringLiteral("trace.log"));

    std::printf("| baud | latency ms | runs | XMODEM s, trace off | XMODEM s, trace on | on/off | worst on/off | "
                "worker CPU s/s off | on | trace KiB |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|---|\n");
    std::fflush(stdout);
    bool allPassed = true;
    for (const int baud : numberList(parser.value(baudOption))) {
        for (const int latencyMs : numberList(parser.value(latencyOption))) {
            VirtualChip chip;
            if (!BenchChip::start(chip, baud, latencyMs))
                return 1;
            // Other work on the machine only ever slows a run down: the best of
            // a few alternating runs of each is the one least disturbed.
            Run bestOff;
            Run bestOn;
            double worstRatio = 0;
            for (int run = 0; run < runs; ++run) {
                const Run off = download(chip, image, baud, latencyMs, QString());
                const Run on = download(chip, image, baud, latencyMs, traceFile);
                if (!off.passed || !on.passed) {
                    std::fprintf(stderr, "%d baud, %d ms: a download failed (trace %s)\n", baud, latencyMs,
                        off.passed ? "on" : "off");
                    allPassed = false;
                    continue;
                }
                if (bestOff.phaseUs == 0 || off.phaseUs < bestOff.phaseUs)
                    bestOff = off;
                if (bestOn.phaseUs == 0 || on.phaseUs < bestOn.phaseUs)
                    bestOn = on;
                worstRatio = std::max(worstRatio, double(on.phaseUs) / double(off.phaseUs));
            }
            if (bestOff.phaseUs == 0 || bestOn.phaseUs == 0)
                continue;
            std::printf("| %d | %d | %d | %.3f | %.3f | %.4f | %.4f | %.4f | %.4f | %lld |\n", baud, latencyMs, runs,
                double(bestOff.phaseUs) / 1e6, double(bestOn.phaseUs) / 1e6,
                double(bestOn.phaseUs) / double(bestOff.phaseUs), worstRatio, bestOff.cpuPerSecond, bestOn.cpuPerSecond,
                bestOn.traceBytes / 1024);
            std::fflush(stdout);
        }
    }
    return allPassed ? 0 : 1;
}
