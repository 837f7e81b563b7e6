#include "RecordThread.h"

#include <QDeadlineTimer>
#include <QMutex>
#include <QThread>

#include <vector>

namespace {

// Threads left to end by themselves are kept here, never destroyed: a QThread
// destroyed while it runs aborts the program. The list itself outlives the
// program's static objects, which such a thread may still be using at exit.
void keepRunning(QThread* thread)
{
    static QMutex* const lock = new QMutex;
    static std::vector<QThread*>* const left = new std::vector<QThread*>;
    const QMutexLocker locker(lock);
    left->push_back(thread);
}

} // namespace

RecordThread::RecordThread(QObject* object, const QString& name)
    : object(object)
    , thread(new QThread)
{
    thread->setObjectName(name);
    object->moveToThread(thread);
    QObject::connect(thread, &QThread::finished, object, &QObject::deleteLater);
    thread->start(QThread::LowPriority);
}

RecordThread::~RecordThread()
{
    finish(std::chrono::milliseconds(0));
}

bool RecordThread::finish(std::chrono::milliseconds bound, const std::function<void()>& lastCall)
{
    if (!thread)
        return true;
    QThread* running = thread;
    thread = nullptr;
    QMetaObject::invokeMethod(
        object,
        [running, lastCall] {
            if (lastCall)
                lastCall();
            running->quit();
        },
        Qt::QueuedConnection);
    if (running->wait(QDeadlineTimer(bound.count()))) {
        delete running;
        return true;
    }
    // Whatever it says when it wakes up has no one to go to.
    QObject::disconnect(object, nullptr, nullptr, nullptr);
    keepRunning(running);
    return false;
}
