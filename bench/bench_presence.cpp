// bench_presence: automatic mode with a finished chip left in the socket. The
// worker only checks that the chip is still there; this measures what those
// checks cost, unpaced and paced.
#include "BenchImage.h"
#include "CpuClock.h"
#include "DownloadWorker.h"
#include "HostClock.h"
#include "LogTimeline.h"
#include "VirtualChip.h"
#include "WorkerSettings.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

namespace {

struct PresenceFigures {
    bool downloaded = false;
    double windowSeconds = 0;
    double knocksPerSecond = 0;
    double workerCpuPerSecond = 0;
    double processCpuPerSecond = 0;
    int linesInWindow = 0;
};

PresenceFigures measure(int intervalMs, int baud, int windowMs)
{
    VirtualChip chip;
    chip.configure([&](ChipKnobs& k) { k.baud = baud; });
    PresenceFigures figures;
    if (!chip.start())
        return figures;

    WorkerSettings settings(0);
    settings.portName = chip.portName();
    settings.BaudRate = QString::number(baud);
    settings.AutoStart = true;
    settings.image = BenchImage::make(64 * 1024);
    settings.packetCount = BenchImage::packetCount(settings.image);
    settings.imageCrc = BenchImage::crc(settings.image);
    DownloadWorker worker;
    worker.settings = &settings;
    LinkTiming timing;
    timing.presenceInterval = LinkTiming::ms(intervalMs);
    worker.setTiming(timing);

    std::mutex lock;
    std::condition_variable changed;
    bool done = false;
    LogTimeline log;
    log.onLine([&](const QString& text) {
        if (text == QLatin1String("The downloading is successed!") || text.contains(QLatin1String("fail"))) {
            std::lock_guard<std::mutex> guard(lock);
            done = true;
            changed.notify_all();
        }
    });
    log.attach(worker);

    // The worker blocks this thread; the window is measured from another one.
    const pthread_t workerThread = pthread_self();
    std::thread meter([&] {
        {
            std::unique_lock<std::mutex> guard(lock);
            if (!changed.wait_for(guard, std::chrono::seconds(60), [&] { return done; })) {
                worker.stop();
                return;
            }
        }
        figures.downloaded = log.contains(QStringLiteral("The downloading is successed!"));
        const int linesBefore = log.texts().size();
        const int knocksBefore = chip.knockCount();
        const double workerBefore = CpuClock::thread(workerThread);
        const double processBefore = CpuClock::process();
        const qint64 startUs = HostClock::nowUs();
        std::this_thread::sleep_for(std::chrono::milliseconds(windowMs)); // the measuring window itself
        figures.windowSeconds = double(HostClock::nowUs() - startUs) / 1e6;
        figures.knocksPerSecond = (chip.knockCount() - knocksBefore) / figures.windowSeconds;
        figures.workerCpuPerSecond = (CpuClock::thread(workerThread) - workerBefore) / figures.windowSeconds;
        figures.processCpuPerSecond = (CpuClock::process() - processBefore) / figures.windowSeconds;
        figures.linesInWindow = log.texts().size() - linesBefore;
        worker.stop();
    });
    worker.start(true);
    meter.join();
    return figures;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Automatic mode with a finished chip left in the socket."));
    parser.addHelpOption();
    const QCommandLineOption baudOption(
        QStringLiteral("baud"), QStringLiteral("Baud rate."), QStringLiteral("rate"), QStringLiteral("921600"));
    const QCommandLineOption windowOption(QStringLiteral("window"), QStringLiteral("Measuring window in ms."),
        QStringLiteral("ms"), QStringLiteral("5000"));
    parser.addOptions({ baudOption, windowOption });
    parser.process(app);
    const int baud = parser.value(baudOption).toInt();
    const int windowMs = parser.value(windowOption).toInt();

    std::printf(
        "| presenceInterval ms | window s | carriage returns/s | worker CPU s/s | process CPU s/s (with the chip) | "
        "lines logged |\n");
    std::printf("|---|---|---|---|---|---|\n");
    std::fflush(stdout);
    bool allPassed = true;
    for (const int intervalMs : { 0, 100 }) {
        const PresenceFigures figures = measure(intervalMs, baud, windowMs);
        allPassed = allPassed && figures.downloaded;
        if (!figures.downloaded) {
            std::fprintf(stderr, "presenceInterval %d: the first chip was not downloaded\n", intervalMs);
            continue;
        }
        std::printf("| %d | %.2f | %.0f | %.3f | %.3f | %d |\n", intervalMs, figures.windowSeconds,
            figures.knocksPerSecond, figures.workerCpuPerSecond, figures.processCpuPerSecond, figures.linesInWindow);
        std::fflush(stdout);
    }
    return allPassed ? 0 : 1;
}
