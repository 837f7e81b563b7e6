#include "JobThread.h"

#include "DownloadWorker.h"
#include "EventWait.h"
#include "WireTraceWriter.h"
#include "WorkerSettings.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMessageBox>
#include <QThread>
#include <QtDebug>

JobThread::JobThread(int workMode, const WindowTiming& timing)
    : timing(timing)
    , thread(std::make_unique<QThread>())
    , jobWorker(new DownloadWorker)
    , record(new WorkerSettings(workMode))
{
    record->loadConfig();
    jobWorker->settings = record;
    WireTraceWriter::installFromEnvironment(*jobWorker);
    jobWorker->moveToThread(thread.get());
    thread->start(QThread::InheritPriority);
    QObject::connect(thread.get(), &QThread::finished, jobWorker, &QObject::deleteLater);
}

JobThread::~JobThread()
{
    thread->quit();
    if (thread->wait(QDeadlineTimer(timing.jobEndBound))) {
        delete record;
        return;
    }
    // The job ignored its stop request: leave it its thread and record rather
    // than free them under it or hang the window's exit.
    qWarning("the worker thread did not end within %lld ms", static_cast<long long>(timing.jobEndBound.count()));
    (void)thread.release();
}

bool JobThread::waitForJobEnd(const std::function<bool()>& jobEnded)
{
    // The end of the job arrives as a queued signal: keep delivering events.
    return runEventsUntil(jobEnded, timing.jobEndBound, timing.jobEndPoll);
}

bool JobThread::confirmClose(
    QWidget* window, const std::function<void()>& stopJob, const std::function<bool()>& jobEnded)
{
    const auto answer = QMessageBox::question(window, QCoreApplication::translate("JobThread", "Close Confirmation?"),
        QCoreApplication::translate("JobThread", "Are you sure you want to exit?"), QMessageBox::Yes | QMessageBox::No,
        QMessageBox::NoButton);
    if (answer != QMessageBox::Yes)
        return false;
    stopJob();
    waitForJobEnd(jobEnded);
    return true;
}
