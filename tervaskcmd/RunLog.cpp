#include "RunLog.h"

#include "RunLogFile.h"

#include <atomic>
#include <mutex>

namespace {

// Messages can still come while static objects are destroyed at exit; after
// the run log's state is gone they are dropped.
std::atomic<bool> stateDestroyed { false };

struct RunLogState {
    ~RunLogState() { stateDestroyed = true; }

    std::mutex lock;
    RunLogFile file;
    qint64 threshold = RunLog::defaultRotationBytes;
    std::function<QDateTime()> clock = [] { return QDateTime::currentDateTime(); };
};

RunLogState& state()
{
    static RunLogState instance;
    return instance;
}

bool openFresh(RunLogState& s, const QString& prefix)
{
    return s.file.open(
        QStringLiteral("logs/%1_%2").arg(prefix, s.clock().toString(QStringLiteral("yyyy-MM-dd-hh-mm-ss"))));
}

} // namespace

bool RunLog::openFirst()
{
    RunLogState& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    return openFresh(s, QStringLiteral("cmd"));
}

bool RunLog::openNext()
{
    RunLogState& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    return openFresh(s, QStringLiteral("Cmd"));
}

void RunLog::close()
{
    RunLogState& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    s.file.close();
}

QString RunLog::fileName()
{
    RunLogState& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    return s.file.fileName();
}

bool RunLog::isOpen()
{
    RunLogState& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    return s.file.isOpen();
}

void RunLog::setRotationThreshold(qint64 bytes)
{
    RunLogState& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    s.threshold = bytes;
}

void RunLog::setClock(std::function<QDateTime()> clock)
{
    RunLogState& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    s.clock = std::move(clock);
}

void RunLog::append(QtMsgType type, const QString& text)
{
    if (type != QtDebugMsg)
        return;
    RunLogState& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    s.file.append(text);
    if (s.file.bytesAppended() >= s.threshold)
        openFresh(s, QStringLiteral("Cmd"));
}

void runLogHandler(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (!stateDestroyed)
        RunLog::append(type, message);
}

void openNextRunLog()
{
    RunLog::openNext();
}
