#include "EventWait.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

bool runEventsUntil(const std::function<bool()>& done, std::chrono::milliseconds bound, std::chrono::milliseconds poll)
{
    const QDeadlineTimer deadline(bound);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        QThread::msleep(static_cast<unsigned long>(poll.count()));
    }
    return done();
}
