#include "ProductionRecorder.h"

#include "DownloadWorker.h"
#include "RecordWriter.h"

ProductionRecorder::ProductionRecorder(const RecordLocation& location, const RecordTiming& timing, QObject* parent)
    : QObject(parent)
    , timing(timing)
    , writer(new RecordWriter(location, timing))
{
    qRegisterMetaType<AttemptReport>();
    writer->moveToThread(&thread);
    // The writer's thread reports; the warning must not wait for a busy front end's event loop.
    connect(
        writer, &RecordWriter::sngTrouble, this, [this](const QString& why) { warnOnce(why); }, Qt::DirectConnection);
    connect(
        writer, &RecordWriter::sngOutboxOnly, this,
        [this](const QString& why) {
            emit sngWarning(QStringLiteral("Warning: production records stay in the local outbox: %1").arg(why));
        },
        Qt::DirectConnection);
    connect(writer, &RecordWriter::sngForwarded, this, &ProductionRecorder::sngForwarded);
    thread.setObjectName(QStringLiteral("records"));
    thread.start(QThread::LowPriority);
    QMetaObject::invokeMethod(
        writer, [w = writer] { w->prepare(); }, Qt::QueuedConnection);
}

ProductionRecorder::~ProductionRecorder()
{
    finish();
    delete writer;
}

void ProductionRecorder::watch(DownloadWorker* worker)
{
    connect(worker, &DownloadWorker::sngAttemptStarted, this, &ProductionRecorder::attemptStarted);
    connect(worker, &DownloadWorker::sngAttemptFinished, this, &ProductionRecorder::attemptFinished);
}

bool ProductionRecorder::finish()
{
    if (!thread.isRunning())
        return true;
    // Queued behind the rows already posted, so they are written first.
    QMetaObject::invokeMethod(
        writer,
        [this] {
            writer->shutdown();
            thread.quit();
        },
        Qt::QueuedConnection);
    if (thread.wait(QDeadlineTimer(timing.drainOnExit.count())))
        return true;
    // A thread cannot be abandoned while it owns the connection; its waits are bounded.
    thread.wait();
    return false;
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
    QMetaObject::invokeMethod(
        writer, [w = writer] { w->forward(); }, Qt::QueuedConnection);
}

void ProductionRecorder::post(const AttemptRow& row)
{
    QMetaObject::invokeMethod(
        writer, [w = writer, row] { w->write(row); }, Qt::QueuedConnection);
}

void ProductionRecorder::warnOnce(const QString& why)
{
    if (!warned.exchange(true))
        emit sngWarning(QStringLiteral("Warning: production record not stored: %1").arg(why));
}
