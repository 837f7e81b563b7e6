// bench_overhead: what a job costs beyond its XMODEM phase, with the console's
// fixed pauses (before) and reading each reply until the console is done
// (after), for a small and a large image at each baud rate and adapter latency.
#include "BenchChip.h"
#include "BenchImage.h"
#include "NumberList.h"
#include "VirtualChip.h"
#include "WorkerJob.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

namespace {

double seconds(qint64 us)
{
    return double(us) / 1e6;
}

// Other work on the machine only slows a job down: the quickest of the runs counts.
WorkerJob quickest(VirtualChip& chip, const QByteArray& image, int baud, int latencyMs, bool fixedWaits, int runs,
    bool& allPassed)
{
    WorkerJob best;
    for (int run = 0; run < runs; ++run) {
        const WorkerJob job = WorkerJob::run(chip, image, baud, latencyMs, fixedWaits);
        allPassed = allPassed && job.passed && job.transfer.complete;
        if (run == 0 || job.jobUs < best.jobUs)
            best = job;
    }
    return best;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Job time outside XMODEM, with and without fixed pauses."));
    parser.addHelpOption();
    const QCommandLineOption sizeOption(QStringLiteral("sizes"), QStringLiteral("Image bytes, comma-separated."),
        QStringLiteral("list"), QStringLiteral("65536,1048576"));
    const QCommandLineOption baudOption(QStringLiteral("bauds"), QStringLiteral("Baud rates, comma-separated."),
        QStringLiteral("list"), QStringLiteral("115200,460800,921600"));
    const QCommandLineOption latencyOption(QStringLiteral("latencies"),
        QStringLiteral("Adapter latencies in ms, comma-separated."), QStringLiteral("list"), QStringLiteral("0,1,16"));
    const QCommandLineOption runsOption(QStringLiteral("runs"),
        QStringLiteral("Runs of each kind per case under 100 KiB, the quickest counts (1 above)."),
        QStringLiteral("n"), QStringLiteral("3"));
    parser.addOptions({ sizeOption, baudOption, latencyOption, runsOption });
    parser.process(app);

    std::printf("| image KiB | baud | latency ms | job s, fixed pauses | overhead ms, fixed pauses | job s | XMODEM s | "
                "overhead ms | efficiency, fixed pauses | efficiency |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|---|\n");
    std::fflush(stdout);
    bool allPassed = true;
    for (const int size : numberList(parser.value(sizeOption))) {
        const QByteArray image = BenchImage::make(size);
        const int runs = size < 100 * 1024 ? parser.value(runsOption).toInt() : 1;
        for (const int baud : numberList(parser.value(baudOption))) {
            for (const int latencyMs : numberList(parser.value(latencyOption))) {
                VirtualChip chip;
                if (!BenchChip::start(chip, baud, latencyMs))
                    return 1;
                const WorkerJob before = quickest(chip, image, baud, latencyMs, true, runs, allPassed);
                const WorkerJob after = quickest(chip, image, baud, latencyMs, false, runs, allPassed);
                const double limit = 1029.0 / 1024.0 * double(BenchImage::packetCount(image)) * 1024 * 10.0 / baud;
                std::printf("| %d | %d | %d | %.3f | %lld | %.3f | %.3f | %lld | %.3f | %.3f |\n", size / 1024, baud,
                    latencyMs, seconds(before.jobUs), before.overheadUs() / 1000, seconds(after.jobUs),
                    seconds(after.transfer.phaseUs), after.overheadUs() / 1000,
                    limit / seconds(before.transfer.phaseUs), limit / seconds(after.transfer.phaseUs));
                std::fflush(stdout);
            }
        }
    }
    return allPassed ? 0 : 1;
}
