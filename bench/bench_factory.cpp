// bench_factory: 1, 4, 8 and 16 factory stations in one process, run by the
// station window itself on the offscreen platform, each station on a paced
// virtual chip with its own wire, three chips per station, every station's
// log open (unless --closed-logs). Measures each station's XMODEM phase
// against one station alone in the same run, the GUI thread's event-loop
// latency while the window shows the stations' traffic, CPU and memory.
#include "BenchImage.h"
#include "CpuClock.h"
#include "FactoryCommandLine.h"
#include "FactoryTiming.h"
#include "FactoryWindow.h"
#include "LatencyProbe.h"
#include "Recipe.h"
#include "ResidentMemory.h"
#include "Station.h"
#include "StationSockets.h"
#include "StationWindowRun.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <numeric>
#include <vector>

using StationWindowRun::openEveryLog;
using StationWindowRun::runUntil;

namespace {

constexpr int chipsPerStation = 3;
constexpr int probeIntervalMs = 10;
constexpr qint64 rowLimitMs = 600000;

// What every row of the run shares.
struct RunSetup {
    QString imagePath;
    int imageBytes = 0;
    int baud = 0;
    bool openLogs = true;
};

struct CountFigures {
    bool complete = false;
    double wallSeconds = 0;
    std::vector<double> stationPhaseSeconds; // each station's mean XMODEM phase
    double probeP99Ms = 0;
    double probeMaxMs = 0;
    double logLinesPerSecond = 0;
    double stationCpuPerStation = 0; // the stations' worker threads, per wall second and station
    double guiCpuPerSecond = 0;
    double processCpuPerSecond = 0;
    double peakMiB = 0;
    double startMiB = 0;
};

// Stops every station through the window; false when one outlives the station's stop bound.
bool stopAll(FactoryWindow& window)
{
    window.stopAll();
    QElapsedTimer stopping;
    stopping.start();
    const qint64 boundMs = FactoryTiming().stopBound.count();
    runUntil([&] { return !window.anyRunning() || stopping.elapsed() > boundMs; });
    return !window.anyRunning();
}

CountFigures runStations(int count, const RunSetup& setup)
{
    CountFigures figures;
    ResidentMemory::resetPeak();
    figures.startMiB = ResidentMemory::currentMiB();
    StationSockets sockets(chipsPerStation, setup.imageBytes);
    if (!sockets.open(count, setup.baud))
        return figures;

    FactoryCommandLine line;
    line.valid = true;
    line.ports = sockets.portNames();
    line.file = setup.imagePath;
    auto window = std::make_unique<FactoryWindow>(line);
    window->show();
    if (setup.openLogs && !openEveryLog(*window)) {
        std::fprintf(stderr, "%d stations: a station's log did not open\n", count);
        return figures;
    }
    sockets.attach(window->stationList());
    int logLines = 0;
    for (Station* station : window->stationList())
        QObject::connect(station, &Station::logAppended, station, [&logLines] { ++logLines; });

    LatencyProbe probe(probeIntervalMs);
    const double cpuBefore = CpuClock::process();
    const double guiBefore = CpuClock::callingThread();
    QElapsedTimer wall;
    wall.start();
    probe.start();
    window->startAll();
    runUntil([&] { return sockets.allDone() || wall.elapsed() > rowLimitMs; });
    figures.wallSeconds = double(wall.elapsed()) / 1000.0;
    probe.stop();
    figures.stationCpuPerStation = CpuClock::threadsNamed(QStringLiteral("station")) / figures.wallSeconds / count;
    figures.guiCpuPerSecond = (CpuClock::callingThread() - guiBefore) / figures.wallSeconds;
    figures.processCpuPerSecond = (CpuClock::process() - cpuBefore) / figures.wallSeconds;
    figures.peakMiB = ResidentMemory::peakMiB();

    const bool stopped = stopAll(*window);
    window.reset();
    figures.complete = stopped && sockets.allPassed();
    figures.stationPhaseSeconds = sockets.meanPhaseSeconds();
    figures.probeP99Ms = probe.percentileMs(0.99);
    figures.probeMaxMs = probe.maxMs();
    figures.logLinesPerSecond = logLines / figures.wallSeconds;
    return figures;
}

// The recipe the window loads from the current folder: the baud rate of the run.
bool writeRecipe(int baud)
{
    Recipe recipe;
    recipe.BaudRate = QString::number(baud);
    if (!QDir().mkpath(QFileInfo(Recipe::defaultPath()).path()))
        return false;
    recipe.save(Recipe::defaultPath());
    return Recipe::load(Recipe::defaultPath()).BaudRate == recipe.BaudRate;
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Factory stations in parallel in the station window, on paced virtual chips."));
    parser.addHelpOption();
    const QCommandLineOption sizeOption(
        QStringLiteral("size"), QStringLiteral("Image bytes."), QStringLiteral("bytes"), QStringLiteral("262144"));
    const QCommandLineOption baudOption(
        QStringLiteral("baud"), QStringLiteral("Baud rate."), QStringLiteral("rate"), QStringLiteral("921600"));
    const QCommandLineOption stationsOption(QStringLiteral("stations"),
        QStringLiteral("Station counts in the order they run, comma-separated; the fastest 1 is the reference."),
        QStringLiteral("list"), QStringLiteral("1,4,8,16,1"));
    const QCommandLineOption closedLogsOption(QStringLiteral("closed-logs"),
        QStringLiteral("Leave the stations' logs closed: only the window and its tiles receive the traffic."));
    parser.addOptions({ sizeOption, baudOption, stationsOption, closedLogsOption });
    parser.process(app);
    RunSetup setup;
    setup.baud = parser.value(baudOption).toInt();
    setup.openLogs = !parser.isSet(closedLogsOption);

    // The window's recipe, the image and the stations' run logs.
    QTemporaryDir folder;
    if (!folder.isValid() || !QDir::setCurrent(folder.path()))
        return 1;
    const QByteArray image = BenchImage::make(parser.value(sizeOption).toInt());
    setup.imagePath = folder.filePath(QStringLiteral("image.bin"));
    setup.imageBytes = int(image.size());
    if (!writeRecipe(setup.baud) || !BenchImage::save(image, setup.imagePath)) {
        std::fprintf(stderr, "cannot write the recipe or the image in %s\n", qPrintable(folder.path()));
        return 1;
    }
    const double limitSeconds = BenchImage::packetCount(image) * 1029.0 * 10.0 / setup.baud;

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
        const CountFigures f = runStations(count, setup);
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
                "GUI-thread latency ms, p99 (max) | log lines/s | station CPU s/s per station | GUI thread CPU "
                "s/s | process CPU s/s (with chips) | peak memory MiB (at start) |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|---|---|\n");
    for (const Row& row : rows) {
        const CountFigures& f = row.figures;
        std::printf("| %d | %.1f | %.3f (%.3f) | %.3f | %.3f (%.3f) | %.1f (%.1f) | %.0f | %.4f | %.3f | %.3f | %.1f "
                    "(%.1f) |\n",
            row.count, f.wallSeconds, row.meanSeconds, row.slowestSeconds, limitSeconds,
            row.meanSeconds > 0 ? aloneSeconds / row.meanSeconds : 0,
            row.slowestSeconds > 0 ? aloneSeconds / row.slowestSeconds : 0, f.probeP99Ms, f.probeMaxMs,
            f.logLinesPerSecond, f.stationCpuPerStation, f.guiCpuPerSecond, f.processCpuPerSecond, f.peakMiB,
            f.startMiB);
    }
    return allComplete ? 0 : 1;
}
