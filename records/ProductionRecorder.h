#pragma once

#include "AttemptReport.h"
#include "AttemptRow.h"
#include "RecordContext.h"
#include "RecordHealth.h"
#include "RecordLocation.h"
#include "RecordTiming.h"

#include <QDateTime>
#include <QMutex>
#include <QObject>

#include <memory>

class DownloadWorker;
class RecordForwarder;
class RecordThread;
class RecordWriter;

// Keeps one production record per chip attempt of one worker: the row is
// written "running" when the attempt starts and completed when it ends. The
// rows go into the local file on a thread of the recorder's own, and with a
// line server from there to the server on another, so neither the worker
// nor the window ever waits for a database. Trouble is said once per streak
// (sngWarning) and the job goes on; sngHealth tells every change.
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
    // Waits at most RecordTiming::drainOnExit for the rows handed over so far
    // to reach the local file, then at most serverOnExit for the server to
    // take them; what it has not taken stays in the outbox. False when the
    // server did not answer in time.
    bool finish();
    // From any thread.
    RecordHealth health() const;

public slots:
    void attemptStarted(const QDateTime& startedAtUtc);
    void attemptFinished(const AttemptReport& report);
    // Offers the rows waiting for the line's server to it now.
    void forwardNow();

signals:
    // "Warning: production record not stored: <why>" or "Warning: production
    // records wait for the line database: <why>", once per streak of trouble.
    void sngWarning(const QString& line);
    void sngHealth(const RecordHealth& health);
    void sngForwarded(int rows);

private:
    void post(const AttemptRow& row);
    void noteLocal(const QString& why);
    void noteServer(const RecordHealth& server);
    void publish(RecordHealth next, const QString& warning);

    RecordTiming timing;
    RecordWriter* writer = nullptr;
    RecordForwarder* forwarder = nullptr;
    std::unique_ptr<RecordThread> writerThread;
    std::unique_ptr<RecordThread> forwarderThread;
    RecordContext attemptContext;
    AttemptRow current;
    bool attemptOpen = false;

    // Written by the records' threads, read by anyone.
    mutable QMutex healthLock;
    RecordHealth state;
    QString localError;
    QString serverError;
    bool outboxFailed = false; // serverError is the local outbox's, not the server's
    bool localStreak = false;
    bool serverStreak = false;
};
