#pragma once

#include "AttemptReport.h"
#include "FactoryTiming.h"
#include "LinkTiming.h"
#include "MacAllocator.h"
#include "RecipeImage.h"
#include "RunLogFile.h"
#include "StationCounters.h"
#include "StationState.h"

#include <QColor>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>

#include <memory>

class DownloadWorker;
class QThread;
class WorkerSettings;
struct Recipe;

// One fixture: one serial port, its own DownloadWorker in its own thread and
// its own WorkerSettings copied from the recipe at start(). The worker runs
// automatic mode, chip after chip, until stop(); nothing but signals crosses
// between the threads. The station is bound to a port or to a USB socket
// (FixtureKey); the port it opens is the one its adapter has now.
class Station : public QObject {
    Q_OBJECT

public:
    // The last lines kept in memory; the run log keeps every line.
    static constexpr int logLimit = 20000;

    explicit Station(const QString& key, QObject* parent = nullptr);
    // Stops a running job and waits for it at most FactoryTiming::stopBound.
    ~Station() override;

    QString key() const { return fixtureKey; }
    // The port the station opens: its adapter's name now, empty while it is not known.
    QString port() const { return portName; }
    // While not running; a station bound to a port always has that port.
    void setPort(const QString& port);
    void setLabel(const QString& text) { labelText = text; }
    QString label() const { return labelText; }

    // Without a known port the station waits for its adapter (NoAdapter).
    // macs: where the chips' MAC addresses come from when the recipe assigns them.
    void start(const Recipe& recipe, const RecipeImage& image, std::unique_ptr<MacAllocator> macs = nullptr);
    // Asks the job to end; stopped() follows once it has ended and the port is closed.
    void stop();
    bool isRunning() const { return thread != nullptr || awaiting; }
    bool awaitingAdapter() const { return awaiting; }
    // The adapter is there, under this name: a waiting station starts now.
    void adapterFound(const QString& port);
    // The adapter came back under another name: the job ends and starts anew on it.
    void moveTo(const QString& port);

    StationState state() const { return current; }
    QString reason() const { return failReason; } // the last failed attempt's red line (Failed, PortError)
    qint64 lastElapsedMs() const { return elapsedMs; } // of the last passed chip
    QDateTime attemptStartedAt() const { return attemptStart; } // of the chip being downloaded, UTC
    // The chip's identity (its MAC address) from the moment it is assigned,
    // and with the chip's result; empty where none was assigned.
    QString chipId() const { return lastChipId; }
    StationCounters counters() const { return chips; }
    // This shift's chips from before the program started, added to those counted since.
    void addEarlierChips(const StationCounters& earlier);
    void resetCounters();

    struct LogLine {
        QString text;
        QColor color;
    };
    // The last logLimit lines.
    const QList<LogLine>& log() const { return lines; }
    // "logs/factory_<time>_<port made safe>.log", relative to the current folder, CR LF.
    QString runLogPath() const { return runLog.fileName(); }

    // Tests shorten the link's waits and the stop bound, and keep fewer lines.
    void setTiming(const LinkTiming& timing) { linkTiming = timing; }
    void setFactoryTiming(const FactoryTiming& timing) { factoryTiming = timing; }
    void setLogLimit(int lines) { keptLines = lines; }

    // The port's name as a part of a file name: only letters, digits, '-' and '_'.
    static QString safeFileNamePart(const QString& port);

signals:
    void stateChanged(StationState state);
    void progressChanged(int done, int total);
    void logAppended(const QString& text, const QColor& color);
    void countersChanged(const StationCounters& counters);
    void chipCounted(bool pass, const QDateTime& atUtc);
    // The station waits for a new chip: at the start, once a chip has left the
    // socket, once a lost adapter is back. The last chip's result stays the
    // state until the next chip starts.
    void chipAwaited();
    void attemptStarted(const QDateTime& startedAtUtc);
    void attemptFinished(const AttemptReport& report);
    void chipIdentified(const QString& mac);
    void portChanged(const QString& port);
    void stopped();

private:
    void launch();
    void connectWorker();
    void openRunLog();
    void appendLog(const QString& text, const QColor& color);
    void setState(StationState next);
    void onAttemptStarted(const QDateTime& startedAtUtc);
    void onAttemptFinished(const AttemptReport& report);
    void onChipResult(bool pass);
    void onWorkerFinished();
    void releaseWorker();

    QString fixtureKey;
    QString portName;
    QString labelText;
    LinkTiming linkTiming;
    FactoryTiming factoryTiming;

    // What the station was started with, kept for a start on an adapter that appears later.
    std::unique_ptr<Recipe> startedRecipe;
    RecipeImage startedImage;
    bool awaiting = false; // started, waiting for its adapter
    QString relaunchOn; // the port to start on again once the job has ended

    // The running job; the settings are only read by the worker's thread while it runs.
    QThread* thread = nullptr;
    DownloadWorker* worker = nullptr;
    std::unique_ptr<WorkerSettings> settings;
    std::unique_ptr<MacAllocator> macAllocator;
    bool stopAsked = false;
    bool loopEntered = false; // the port opened and the chip wait began

    StationState current = StationState::Idle;
    QString failReason;
    QString lastRedLine;
    QDateTime attemptStart;
    qint64 elapsedMs = 0;
    bool passReported = false; // the current attempt's pass report arrived
    int lastChipAttempt = 1; // of the attempt that finished last
    QString lastChipId;
    StationCounters chips;
    QList<LogLine> lines;
    int keptLines = logLimit;
    RunLogFile runLog;
};
