// bench_dump: reads flash back through the console's "md" text and compares
// the time with what the line needs for the text the chip actually sent.
#include "BenchChip.h"
#include "BenchImage.h"
#include "DownloadWorker.h"
#include "HostClock.h"
#include "LogTimeline.h"
#include "NumberList.h"
#include "VirtualChip.h"
#include "WorkerSettings.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <atomic>
#include <cstdio>

namespace {

constexpr int flashBytes = 4 * 1024 * 1024;

// Host time of the chip's first "md" command with a word count.
qint64 firstDumpCommandUs(const QList<ChipEvent>& events, qint64 chipStartUs)
{
    for (const ChipEvent& event : events)
        if (event.kind == ChipEvent::Command && event.text.startsWith("md ") && event.text.count(' ') == 2)
            return chipStartUs + event.atUs;
    return -1;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Dumps flash from the virtual chip, against the line's limit."));
    parser.addHelpOption();
    const QCommandLineOption baudOption(
        QStringLiteral("baud"), QStringLiteral("Baud rate."), QStringLiteral("rate"), QStringLiteral("921600"));
    const QCommandLineOption latencyOption(QStringLiteral("latencies"),
        QStringLiteral("Adapter latencies in ms, comma-separated."), QStringLiteral("list"), QStringLiteral("0,16"));
    const QCommandLineOption wordsOption(QStringLiteral("words"), QStringLiteral("DumpSize, in 32-bit words."),
        QStringLiteral("count"), QStringLiteral("0x40000"));
    parser.addOptions({ baudOption, latencyOption, wordsOption });
    parser.process(app);

    const int baud = parser.value(baudOption).toInt();
    const QString words = parser.value(wordsOption);
    const int dumpBytes = int(4 * words.toUInt(nullptr, 0));
    const QByteArray content = BenchImage::make(flashBytes);
    QTemporaryDir dir;

    std::printf("| dump | baud | latency ms | job s | drain ms | md phase s | text bytes | text limit s | efficiency | "
                "efficiency with drain |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|---|\n");
    std::fflush(stdout);
    bool allPassed = true;
    for (const int latencyMs : numberList(parser.value(latencyOption))) {
        const qint64 chipStartUs = HostClock::nowUs();
        VirtualChip chip(flashBytes);
        if (!BenchChip::start(chip, baud, latencyMs))
            return 1;
        chip.fillFlash(0, content);

        WorkerSettings settings(2);
        settings.portName = chip.portName();
        settings.BaudRate = QString::number(baud);
        settings.DumpAddr = QStringLiteral("18000000");
        settings.DumpSize = words;
        settings.SaveFile = dir.filePath(QStringLiteral("dump.bin"));
        DownloadWorker worker;
        worker.settings = &settings;
        LogTimeline log;
        std::atomic<qint64> sentAtBegin { 0 };
        std::atomic<qint64> sentAtEnd { 0 };
        log.onLine([&](const QString& text) {
            if (text == QLatin1String("Begin to dump..."))
                sentAtBegin = chip.bytesSent();
            else if (text == QLatin1String("Dump Finished!"))
                sentAtEnd = chip.bytesSent();
        });
        log.attach(worker);

        const qint64 startUs = HostClock::nowUs();
        worker.start(true);
        const qint64 jobUs = HostClock::nowUs() - startUs;

        const qint64 beginUs = log.timeOf(QStringLiteral("Begin to dump..."));
        const qint64 finishedUs = log.timeOf(QStringLiteral("Dump Finished!"));
        const qint64 mdUs = firstDumpCommandUs(chip.events(), chipStartUs);
        QFile dumped(settings.SaveFile);
        const bool passed = beginUs >= 0 && finishedUs >= 0 && mdUs >= 0 && dumped.open(QIODevice::ReadOnly)
            && dumped.readAll() == content.left(dumpBytes);
        if (!passed) {
            std::fprintf(stderr, "dump failed or wrong:\n  %s\n", qPrintable(log.texts().join(QStringLiteral("\n  "))));
            allPassed = false;
            continue;
        }
        const qint64 text = sentAtEnd - sentAtBegin;
        const double limit = double(text) * 10.0 / baud;
        const double mdPhase = double(finishedUs - mdUs) / 1e6;
        const double withDrain = double(finishedUs - beginUs) / 1e6;
        std::printf("| %d KiB | %d | %d | %.3f | %lld | %.3f | %lld | %.3f | %.3f | %.3f |\n", dumpBytes / 1024, baud,
            latencyMs, double(jobUs) / 1e6, (mdUs - beginUs) / 1000, mdPhase, text, limit, limit / mdPhase,
            limit / withDrain);
        std::fflush(stdout);
    }
    return allPassed ? 0 : 1;
}
