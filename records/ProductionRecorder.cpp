#include "ProductionRecorder.h"

#include "DownloadWorker.h"
#include "RecordForwarder.h"
#include "RecordThread.h"
#include "RecordWriter.h"

ProductionRecorder::ProductionRecorder(const RecordLocation& location, const RecordTiming& timing, QObject* parent)
    : QObject(parent)
    , timing(timing)
    , writer(new RecordWriter(location, timing))
{
    qRegisterMetaType<AttemptReport>();
    qRegisterMetaType<RecordHealth>();
    state.server = location.server;
    state.store = location.describe();
    // The records' threads report directly: a console job runs on the thread
    // that owns the recorder and has no event loop until it ends.
    connect(
        writer, &RecordWriter::sngStored, this, [this] { noteLocal(QString()); }, Qt::DirectConnection);
    connect(
        writer, &RecordWriter::sngTrouble, this, [this](const QString& why) { noteLocal(why); }, Qt::DirectConnection);
    if (location.server) {
        forwarder = new RecordForwarder(location, timing);
        connect(writer, &RecordWriter::sngStored, forwarder, &RecordForwarder::forwardSoon);
        connect(
            forwarder, &RecordForwarder::sngHealth, this, [this](const RecordHealth& h) { noteServer(h); },
            Qt::DirectConnection);
        connect(forwarder, &RecordForwarder::sngForwarded, this, &ProductionRecorder::sngForwarded);
    }
    writerThread = std::make_unique<RecordThread>(writer, QStringLiteral("records"));
    QMetaObject::invokeMethod(
        writer, [w = writer] { w->prepare(); }, Qt::QueuedConnection);
    if (forwarder) {
        forwarderThread = std::make_unique<RecordThread>(forwarder, QStringLiteral("records-server"));
        QMetaObject::invokeMethod(
            forwarder, [f = forwarder] { f->prepare(); }, Qt::QueuedConnection);
    }
}

ProductionRecorder::~ProductionRecorder()
{
    finish();
}

void ProductionRecorder::watch(DownloadWorker* worker)
{
    connect(worker, &DownloadWorker::sngAttemptStarted, this, &ProductionRecorder::attemptStarted);
    connect(worker, &DownloadWorker::sngAttemptFinished, this, &ProductionRecorder::attemptFinished);
}

bool ProductionRecorder::finish()
{
    if (!writerThread || !writerThread->isRunning())
        return true;
    // Queued behind the rows already posted, so they are written first.
    writerThread->finish(timing.drainOnExit, [w = writer] { w->shutdown(); });
    if (!forwarderThread)
        return true;
    const QDeadlineTimer deadline(timing.serverOnExit.count());
    if (forwarderThread->finish(timing.serverOnExit, [f = forwarder, deadline] {
            f->forward(deadline);
            f->shutdown();
        }))
        return true;
    const QMutexLocker locker(&healthLock);
    if (!serverStreak) {
        serverStreak = true;
        emit sngWarning(QStringLiteral("Warning: production records wait for the line database: no answer from %1")
                            .arg(state.store));
    }
    return false;
}

RecordHealth ProductionRecorder::health() const
{
    const QMutexLocker locker(&healthLock);
    return state;
}

void ProductionRecorder::attemptStarted(const QDateTime& startedAtUtc)
{
    current = AttemptRow::started(attemptContext, startedAtUtc);
    attemptOpen = true;
    post(current);
}

void ProductionRecorder::attemptFinished(const AttemptReport& report)
{
    if (!attemptOpen)
        current = AttemptRow::started(attemptContext, report.startedAt);
    current.finish(report);
    attemptOpen = false;
    post(current);
}

void ProductionRecorder::forwardNow()
{
    if (forwarderThread && forwarderThread->isRunning())
        QMetaObject::invokeMethod(
            forwarder, [f = forwarder] { f->forward(); }, Qt::QueuedConnection);
}

void ProductionRecorder::post(const AttemptRow& row)
{
    QMetaObject::invokeMethod(
        writer, [w = writer, row] { w->write(row); }, Qt::QueuedConnection);
}

void ProductionRecorder::noteLocal(const QString& why)
{
    const QMutexLocker locker(&healthLock);
    localError = why;
    QString warning;
    if (!why.isEmpty() && !localStreak)
        warning = QStringLiteral("Warning: production record not stored: %1").arg(why.simplified());
    localStreak = !why.isEmpty();
    publish(state, warning);
}

void ProductionRecorder::noteServer(const RecordHealth& server)
{
    const QMutexLocker locker(&healthLock);
    serverError = server.lastError;
    outboxFailed = server.notStored;
    RecordHealth next = state;
    next.waiting = server.waiting;
    next.oldestWaiting = server.oldestWaiting;
    next.setAside = server.setAside;
    // An outbox that cannot be opened is the local file's trouble: the writer
    // warns of it with the row it could not keep.
    const bool serverTrouble = !serverError.isEmpty() && !outboxFailed;
    QString warning;
    if (serverTrouble && !serverStreak)
        warning = QStringLiteral("Warning: production records wait for the line database: %1")
                      .arg(serverError.simplified());
    serverStreak = serverTrouble;
    publish(next, warning);
}

// Called with healthLock held: the records' two threads report in one order.
void ProductionRecorder::publish(RecordHealth next, const QString& warning)
{
    next.notStored = !localError.isEmpty() || outboxFailed;
    next.lastError = localError.isEmpty() ? serverError : localError;
    const bool changed = next.lastError != state.lastError || next.notStored != state.notStored
        || next.waiting != state.waiting || next.setAside != state.setAside
        || next.oldestWaiting != state.oldestWaiting;
    state = next;
    if (!warning.isEmpty())
        emit sngWarning(warning);
    if (changed)
        emit sngHealth(next);
}
