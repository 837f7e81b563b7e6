// bench_factory: 1, 4, 8 and 16 factory stations in one process, each on a
// paced virtual chip with its own wire, three chips per station. Measures each
// station's XMODEM phase against one station alone in the same run, the main
// thread's event-loop latency while the stations log into it, CPU and memory.
#include "BenchImage.h"
#include "CpuClock.h"
#include "HostClock.h"
#include "Recipe.h"
#include "RecipeImage.h"
#include "Station.h"
#include "VirtualChip.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <numeric>
#include <vector>

namespace {

constexpr int chipsPerStation = 3;
constexpr int probeIntervalMs = 10;

struct CountFigures {
    bool complete = false;
    double wallSeconds = 0;
    std::vector<double> stationPhaseSeconds; // each station's mean XMODEM phase
    double probeP99Ms = 0;
    double probeMaxMs = 0;
    double logLinesPerSecond = 0;
    double stationCpuPerStation = 0; // the stations' worker threads, per wall second and station
    double mainCpuPerSecond = 0;
    double processCpuPerSecond = 0;
    double peakMiB = 0;
    double startMiB = 0;
};

// CPU seconds of this process's threads whose name starts with the prefix
// (on-CPU nanoseconds from schedstat); threads that have ended are not counted.
double threadsCpuSeconds(const QString& prefix)
{
    double total = 0;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(tid + QStringLiteral("/comm")));
        QFile schedstat(tasks.filePath(tid + QStringLiteral("/schedstat")));
        if (!comm.open(QIODevice::ReadOnly) || !schedstat.open(QIODevice::ReadOnly))
            continue;
        if (QString::fromLocal8Bit(comm.readAll()).startsWith(prefix))
            total += schedstat.readAll().split(' ').value(0).toDouble() / 1e9;
    }
    return total;
}

double statusMiB(const char* key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(int(qstrlen(key))).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return 0;
}

// Starts the kernel's high-water mark of the resident set afresh.
void resetPeakMemory()
{
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    if (clearRefs.open(QIODevice::WriteOnly))
        clearRefs.write("5");
}

double percentile(std::vector<double> values, double fraction)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(fraction * double(values.size())))];
}

// The XMODEM phase of the chip's one transfer, from its own time stamps; 0 when incomplete.
double transferSeconds(const VirtualChip& chip)
{
    qint64 startUs = -1;
    for (const ChipEvent& event : chip.events()) {
        if (event.kind == ChipEvent::TransferStart)
            startUs = event.atUs;
        else if (event.kind == ChipEvent::TransferEnd && startUs >= 0)
            return double(event.atUs - startUs) / 1e6;
    }
    return 0;
}

// One station and its socket: when a chip has passed it is pulled, and the
// next one is plugged once the station waits for it.
struct Fixture {
    std::unique_ptr<VirtualChip> chip;
    std::unique_ptr<Station> station;
    std::vector<double> phases;
    bool awaitingSwap = false;
    int failures = 0;
    bool done() const { return int(phases.size()) >= chipsPerStation; }
};

// Runs the main thread's event loop until the condition holds (looked at every 50 ms).
void runUntil(const std::function<bool()>& condition)
{
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (condition())
            loop.quit();
    });
    check.start(50);
    loop.exec();
}

void freshChip(VirtualChip& chip, int imageBytes)
{
    chip.fillFlash(0x1000, QByteArray(imageBytes, char(0xFF)));
    chip.clearEvents();
    chip.plug();
}

CountFigures runStations(int count, const Recipe& recipe, const RecipeImage& image, int baud)
{
    CountFigures figures;
    resetPeakMemory();
    figures.startMiB = statusMiB("VmRSS:");
    std::vector<Fixture> fixtures(static_cast<size_t>(count));
    QElapsedTimer wall;
    int logLines = 0;
    for (Fixture& f : fixtures) {
        f.chip = std::make_unique<VirtualChip>(1024 * 1024);
        f.chip->configure([&](ChipKnobs& k) { k.baud = baud; });
        if (!f.chip->start())
            return figures;
        freshChip(*f.chip, image.bytes.size());
        f.station = std::make_unique<Station>(f.chip->portName());
        Station* station = f.station.get();
        Fixture* fixture = &f;
        // The main thread receives every line, as the window's log does.
        QObject::connect(station, &Station::logAppended, station, [&logLines] { ++logLines; });
        QObject::connect(station, &Station::chipCounted, station, [fixture](bool pass) {
            if (pass)
                fixture->phases.push_back(transferSeconds(*fixture->chip));
            else
                ++fixture->failures;
            if (!fixture->done()) {
                fixture->awaitingSwap = true;
                fixture->chip->unplug();
            }
        });
        QObject::connect(station, &Station::stateChanged, station, [fixture, &image](StationState state) {
            if (state == StationState::WaitingForChip && fixture->awaitingSwap) {
                fixture->awaitingSwap = false;
                freshChip(*fixture->chip, image.bytes.size());
            }
        });
    }

    std::vector<double> lateMs;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(probeIntervalMs);
    QElapsedTimer sinceLast;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        lateMs.push_back(std::max(0.0, double(sinceLast.nsecsElapsed()) / 1e6 - probeIntervalMs));
        sinceLast.restart();
    });

    const double cpuBefore = CpuClock::process();
    const double mainBefore = CpuClock::callingThread();
    wall.start();
    sinceLast.start();
    probe.start();
    for (Fixture& f : fixtures)
        f.station->start(recipe, image);
    const auto allDone = [&] {
        return std::all_of(
            fixtures.begin(), fixtures.end(), [](const Fixture& f) { return f.done() || f.failures > 3; });
    };
    runUntil([&] { return allDone() || wall.elapsed() > 600000; });
    figures.wallSeconds = double(wall.elapsed()) / 1000.0;
    probe.stop();
    const double stationCpu = threadsCpuSeconds(QStringLiteral("station"));
    figures.mainCpuPerSecond = (CpuClock::callingThread() - mainBefore) / figures.wallSeconds;
    figures.processCpuPerSecond = (CpuClock::process() - cpuBefore) / figures.wallSeconds;
    figures.stationCpuPerStation = stationCpu / figures.wallSeconds / count;
    figures.peakMiB = statusMiB("VmHWM:");

    int running = count;
    for (Fixture& f : fixtures) {
        QObject::connect(f.station.get(), &Station::stopped, [&running] { --running; });
        f.station->stop();
    }
    QElapsedTimer stopping;
    stopping.start();
    runUntil([&] { return running == 0 || stopping.elapsed() > 30000; });

    figures.complete = allDone() && running == 0;
    for (const Fixture& f : fixtures) {
        figures.complete = figures.complete && f.done() && f.failures == 0;
        const double sum = std::accumulate(f.phases.begin(), f.phases.end(), 0.0);
        figures.stationPhaseSeconds.push_back(f.phases.empty() ? 0 : sum / double(f.phases.size()));
    }
    figures.probeP99Ms = percentile(lateMs, 0.99);
    figures.probeMaxMs = lateMs.empty() ? 0 : *std::max_element(lateMs.begin(), lateMs.end());
    figures.logLinesPerSecond = logLines / figures.wallSeconds;
    return figures;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Factory stations in parallel on paced virtual chips."));
    parser.addHelpOption();
    const QCommandLineOption sizeOption(
        QStringLiteral("size"), QStringLiteral("Image bytes."), QStringLiteral("bytes"), QStringLiteral("262144"));
    const QCommandLineOption baudOption(
        QStringLiteral("baud"), QStringLiteral("Baud rate."), QStringLiteral("rate"), QStringLiteral("921600"));
    const QCommandLineOption stationsOption(QStringLiteral("stations"),
        QStringLiteral("Station counts in the order they run, comma-separated; the fastest 1 is the reference."),
        QStringLiteral("list"), QStringLiteral("1,4,8,16,1"));
    parser.addOptions({ sizeOption, baudOption, stationsOption });
    parser.process(app);
    const int baud = parser.value(baudOption).toInt();

    QTemporaryDir folder; // the stations' run logs
    if (!folder.isValid() || !QDir::setCurrent(folder.path()))
        return 1;
    Recipe recipe;
    recipe.BaudRate = QString::number(baud);
    RecipeImage image;
    image.bytes = BenchImage::make(parser.value(sizeOption).toInt());
    image.crc32 = BenchImage::crc(image.bytes);
    image.packetCount = BenchImage::packetCount(image.bytes);
    const double limitSeconds = image.packetCount * 1029.0 * 10.0 / baud;

    // One station alone runs first and last: the faster of the two is the
    // reference, as other work on the machine only ever slows a run down.
    struct Row {
        int count;
        CountFigures figures;
        double meanSeconds;
        double slowestSeconds;
    };
    std::vector<Row> rows;
    double aloneSeconds = 0;
    bool allComplete = true;
    for (const QString& text : parser.value(stationsOption).split(QLatin1Char(','))) {
        const int count = text.toInt();
        const CountFigures f = runStations(count, recipe, image, baud);
        allComplete = allComplete && f.complete;
        if (!f.complete)
            std::fprintf(stderr, "%d stations: not every station downloaded its %d chips\n", count, chipsPerStation);
        const auto& phases = f.stationPhaseSeconds;
        const double mean = phases.empty() ? 0 : std::accumulate(phases.begin(), phases.end(), 0.0) / phases.size();
        const double slowest = phases.empty() ? 0 : *std::max_element(phases.begin(), phases.end());
        if (count == 1 && mean > 0 && (aloneSeconds == 0 || mean < aloneSeconds))
            aloneSeconds = mean;
        rows.push_back({ count, f, mean, slowest });
    }

    std::printf("| stations | wall s | XMODEM s, mean (slowest station) | limit s | alone / station, mean (worst) | "
                "main-thread latency ms, p99 (max) | log lines/s | station CPU s/s per station | main thread CPU "
                "s/s | process CPU s/s (with chips) | peak memory MiB (at start) |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|---|---|\n");
    for (const Row& row : rows) {
        const CountFigures& f = row.figures;
        std::printf("| %d | %.1f | %.3f (%.3f) | %.3f | %.3f (%.3f) | %.1f (%.1f) | %.0f | %.4f | %.3f | %.3f | %.1f "
                    "(%.1f) |\n",
            row.count, f.wallSeconds, row.meanSeconds, row.slowestSeconds, limitSeconds,
            row.meanSeconds > 0 ? aloneSeconds / row.meanSeconds : 0,
            row.slowestSeconds > 0 ? aloneSeconds / row.slowestSeconds : 0, f.probeP99Ms, f.probeMaxMs,
            f.logLinesPerSecond, f.stationCpuPerStation, f.mainCpuPerSecond, f.processCpuPerSecond, f.peakMiB,
            f.startMiB);
    }
    return allComplete ? 0 : 1;
}
