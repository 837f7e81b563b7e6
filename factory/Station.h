#pragma once

#include "AttemptReport.h"
#include "FactoryTiming.h"
#include "LinkTiming.h"
#include "MacAllocator.h"
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
struct RecipeImage;

// One fixture: one serial port, its own DownloadWorker in its own thread and
// its own WorkerSettings copied from the recipe at start(). The worker runs
// automatic mode, chip after chip, until stop(); nothing but signals crosses
// between the threads.
class Station : public QObject {
    Q_OBJECT

public:
    explicit Station(const QString& port, QObject* parent = nullptr);
    // Stops a running job and waits for it at most FactoryTiming::stopBound.
    ~Station() override;

    QString port() const { return portName; }
    void setLabel(const QString& text) { labelText = text; }
    QString label() const { return labelText; }

    // macs: where the chips' MAC addresses come from when the recipe assigns them.
    void start(const Recipe& recipe, const RecipeImage& image, std::unique_ptr<MacAllocator> macs = nullptr);
    // Asks the job to end; stopped() follows once it has ended and the port is closed.
    void stop();
    bool isRunning() const { return thread != nullptr; }

    StationState state() const { return current; }
    QString reason() const { return failReason; } // the last failed attempt's red line (Failed, PortError)
    qint64 lastElapsedMs() const { return elapsedMs; } // of the last passed chip
    StationCounters counters() const { return chips; }

    struct LogLine {
        QString text;
        QColor color;
    };
    const QList<LogLine>& log() const { return lines; }
    // "logs/factory_<time>_<port made safe>.log", relative to the current folder, CR LF.
    QString runLogPath() const { return runLog.fileName(); }

    // Tests shorten the link's waits and the stop bound.
    void setTiming(const LinkTiming& timing) { linkTiming = timing; }
    void setFactoryTiming(const FactoryTiming& timing) { factoryTiming = timing; }

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
    void stopped();

private:
    void connectWorker();
    void openRunLog();
    void appendLog(const QString& text, const QColor& color);
    void setState(StationState next);
    void onAttemptStarted(const QDateTime& startedAtUtc);
    void onAttemptFinished(const AttemptReport& report);
    void onChipResult(bool pass);
    void onWorkerFinished();
    void releaseWorker();

    QString portName;
    QString labelText;
    LinkTiming linkTiming;
    FactoryTiming factoryTiming;

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
    StationCounters chips;
    QList<LogLine> lines;
    RunLogFile runLog;
};
