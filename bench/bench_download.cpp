// bench_download: whole downloads into the virtual chip at several baud rates
// and adapter latencies, the XMODEM phase against the line's limit, what the
// job spends outside it, and lrzsz's "sx -k" through the same line.
#include "BenchChip.h"
#include "BenchImage.h"
#include "NumberList.h"
#include "ReferenceSender.h"
#include "SxSender.h"
#include "TransferFigures.h"
#include "VirtualChip.h"
#include "WorkerJob.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int downloadOffset = 0x1000;

TransferFigures runSx(VirtualChip& chip, const QByteArray& image, const QString& file, int baud, int latencyMs,
    double limitSeconds, bool& passed)
{
    chip.clearEvents();
    chip.recordWire(true);
    SxSender sx;
    passed = sx.send(chip.portName(), baud, file, int(limitSeconds * 3000) + 30000);
    const TransferFigures figures = TransferFigures::fromChip(chip.events(), chip.wireBursts(), baud, latencyMs);
    chip.recordWire(false);
    if (!passed)
        std::fprintf(stderr, "sx run failed: %s\n", qPrintable(sx.failure()));
    else if (chip.flash(downloadOffset, int(image.size())) != image)
        passed = false, std::fprintf(stderr, "sx run: the chip's flash does not hold the image\n");
    return figures;
}

TransferFigures runReference(
    VirtualChip& chip, const QByteArray& image, int baud, int latencyMs, double limitSeconds, bool& passed)
{
    chip.clearEvents();
    chip.recordWire(true);
    ReferenceSender sender;
    passed = sender.send(chip.portName(), baud, image, int(limitSeconds * 3000) + 30000);
    const TransferFigures figures = TransferFigures::fromChip(chip.events(), chip.wireBursts(), baud, latencyMs);
    chip.recordWire(false);
    if (!passed)
        std::fprintf(stderr, "reference run failed: %s\n", qPrintable(sender.failure()));
    return figures;
}

double seconds(qint64 us)
{
    return double(us) / 1e6;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Downloads into the virtual chip, against the line's limit."));
    parser.addHelpOption();
    const QCommandLineOption sizeOption(
        QStringLiteral("size"), QStringLiteral("Image bytes."), QStringLiteral("bytes"), QStringLiteral("1048576"));
    const QCommandLineOption baudOption(QStringLiteral("bauds"), QStringLiteral("Baud rates, comma-separated."),
        QStringLiteral("list"), QStringLiteral("115200,460800,921600"));
    const QCommandLineOption latencyOption(QStringLiteral("latencies"),
        QStringLiteral("Adapter latencies in ms, comma-separated."), QStringLiteral("list"), QStringLiteral("0,1,16"));
    const QCommandLineOption noSxOption(QStringLiteral("no-sx"), QStringLiteral("Skip lrzsz's sx."));
    const QCommandLineOption repeatOption(QStringLiteral("repeat"),
        QStringLiteral("Runs of each sender per case, the best counts (0: as many as fit in 40 s, at most 3)."),
        QStringLiteral("runs"), QStringLiteral("0"));
    const QCommandLineOption traceOption(
        QStringLiteral("trace"), QStringLiteral("Print each job's lines with their times."));
    const QCommandLineOption fixedWaitsOption(
        QStringLiteral("fixed-waits"), QStringLiteral("The worker sleeps the console's fixed pauses."));
    parser.addOptions({ sizeOption, baudOption, latencyOption, noSxOption, repeatOption, traceOption, fixedWaitsOption });
    parser.process(app);
    const bool fixedWaits = parser.isSet(fixedWaitsOption);

    const QByteArray image = BenchImage::make(parser.value(sizeOption).toInt());
    const int repeat = parser.value(repeatOption).toInt();
    QTemporaryDir dir;
    const QString imageFile = dir.filePath(QStringLiteral("image.bin"));
    const bool withSx
        = !parser.isSet(noSxOption) && !SxSender::program().isEmpty() && BenchImage::save(image, imageFile);
    if (!withSx && !parser.isSet(noSxOption))
        std::fprintf(stderr, "lrzsz's sx not found: the comparison columns stay empty\n");

    std::printf("| baud | latency ms | runs | job s | XMODEM s | limit s | efficiency | less chip lag | overhead ms | "
                "fixed waits ms | drain ms | other ms | sender µs/pkt (median) | chip µs/pkt | sx -k XMODEM s | "
                "sx µs/pkt (median) | ours/sx | reference XMODEM s | ours/reference | worker CPU s/s |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|\n");
    std::fflush(stdout);
    bool allPassed = true;
    for (const int baud : numberList(parser.value(baudOption))) {
        for (const int latencyMs : numberList(parser.value(latencyOption))) {
            VirtualChip chip;
            if (!BenchChip::start(chip, baud, latencyMs))
                return 1;
            const double limit = 1029.0 / 1024.0 * double(image.size()) * 10.0 / baud;
            // Other work on the machine only ever slows a run down: the best of a few
            // alternating runs of each sender is the one least disturbed.
            const int runs = repeat > 0 ? repeat : std::clamp(int(40.0 / limit + 0.5), 1, 3);
            WorkerJob ours;
            TransferFigures theirs;
            TransferFigures reference;
            bool sxPassed = false;
            bool referencePassed = false;
            for (int run = 0; run < runs; ++run) {
                const WorkerJob one = WorkerJob::run(chip, image, baud, latencyMs, fixedWaits, parser.isSet(traceOption));
                allPassed = allPassed && one.passed && one.transfer.complete;
                if (run == 0 || one.transfer.phaseUs < ours.transfer.phaseUs)
                    ours = one;
                bool passed = false;
                const TransferFigures least = runReference(chip, image, baud, latencyMs, limit, passed);
                allPassed = allPassed && passed && least.complete;
                if (passed && least.complete && (!referencePassed || least.phaseUs < reference.phaseUs))
                    reference = least;
                referencePassed = referencePassed || (passed && least.complete);
                if (!withSx)
                    continue;
                const TransferFigures other = runSx(chip, image, imageFile, baud, latencyMs, limit, passed);
                allPassed = allPassed && passed && other.complete;
                if (passed && other.complete && (!sxPassed || other.phaseUs < theirs.phaseUs))
                    theirs = other;
                sxPassed = sxPassed || (passed && other.complete);
            }
            const qint64 overheadUs = ours.overheadUs();
            const qint64 otherUs = overheadUs - ours.fixedWaitsUs - ours.drainUs;

            QString referenceColumns = QStringLiteral("– | –");
            if (referencePassed)
                referenceColumns = QStringLiteral("%1 | %2")
                                       .arg(seconds(reference.phaseUs), 0, 'f', 3)
                                       .arg(double(ours.transfer.phaseUs) / double(reference.phaseUs), 0, 'f', 3);
            QString sxColumns = QStringLiteral("– | – | –");
            if (sxPassed)
                sxColumns = QStringLiteral("%1 | %2 (%3) | %4")
                                .arg(seconds(theirs.phaseUs), 0, 'f', 3)
                                .arg(theirs.senderTurnUs, 0, 'f', 0)
                                .arg(theirs.senderTurnMedianUs, 0, 'f', 0)
                                .arg(double(ours.transfer.phaseUs) / double(theirs.phaseUs), 0, 'f', 3);
            // The chip's own turnaround is the simulator's: without it, what is left is the sender's.
            const double chipLag = double(ours.transfer.packets) * std::max(0.0, ours.transfer.chipTurnUs) / 1e6;
            const double phase = seconds(ours.transfer.phaseUs);
            std::printf("| %d | %d | %d | %.3f | %.3f | %.3f | %.3f | %.3f | %lld | %lld | %lld | %lld | %.0f (%.0f) | "
                        "%.0f | %s | %s | %.3f |\n",
                baud, latencyMs, runs, seconds(ours.jobUs), phase, limit, limit / phase, limit / (phase - chipLag),
                overheadUs / 1000, ours.fixedWaitsUs / 1000, ours.drainUs / 1000, otherUs / 1000,
                ours.transfer.senderTurnUs, ours.transfer.senderTurnMedianUs, ours.transfer.chipTurnUs,
                qPrintable(sxColumns), qPrintable(referenceColumns), ours.cpuPerSecond);
            std::fflush(stdout);
        }
    }
    return allPassed ? 0 : 1;
}
