#pragma once

#include "AttemptReport.h"
#include "AttemptRow.h"
#include "RecordContext.h"
#include "RecordLocation.h"
#include "RecordTiming.h"

#include <QDateTime>
#include <QObject>
#include <QThread>

#include <atomic>

class DownloadWorker;
class RecordWriter;

// Keeps one production record per chip attempt of one worker: the row is
// written "running" when the attempt starts and completed when it ends. The
// writing happens on a thread of the recorder's own, so neither the worker
// nor the window ever waits for a database. A row that cannot be stored is
// said once (sngWarning); the job goes on as if nothing happened.
class ProductionRecorder : public QObject {
    Q_OBJECT

public:
    explicit ProductionRecorder(
        const RecordLocation& location, const RecordTiming& timing = RecordTiming(), QObject* parent = nullptr);
    ~ProductionRecorder() override;

    // Set before each job (the image, the port and the settings it runs with).
    void setContext(const RecordContext& context) { attemptContext = context; }
    // Records the worker's attempts.
    void watch(DownloadWorker* worker);
    // Waits, at most RecordTiming::drainOnExit, for the rows handed over so far.
    bool finish();

public slots:
    void attemptStarted(const QDateTime& startedAtUtc);
    void attemptFinished(const AttemptReport& report);
    // Offers the rows waiting for the line's server to it now.
    void forwardNow();

signals:
    // "Warning: production record not stored: <why>", once per recorder; with a server that this
    // PC cannot reach at all, "Warning: production records stay in the local outbox: <why>" at start.
    void sngWarning(const QString& line);
    void sngForwarded(int rows);

private:
    void post(const AttemptRow& row);
    void warnOnce(const QString& why);

    RecordTiming timing;
    QThread thread;
    RecordWriter* writer = nullptr;
    RecordContext attemptContext;
    AttemptRow current;
    bool attemptOpen = false;
    std::atomic<bool> warned { false };
};
