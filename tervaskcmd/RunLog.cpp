#include "RunLog.h"

#include <QCoreApplication>
#include <QFile>

#include <atomic>
#include <mutex>

namespace {

// Messages can still come while static objects are destroyed at exit; after
// the run log's state is gone they are dropped.
std::atomic<bool> stateDestroyed { false };

struct RunLogState {
    ~RunLogState() { stateDestroyed = true; }

    std::mutex lock;
    QFile file;
    qint64 count = 0;
    qint64 threshold = RunLog::defaultRotationBytes;
    std::function<QDateTime()> clock = [] { return QDateTime::currentDateTime(); };
};

RunLogState& state()
{
    static RunLogState instance;
    return instance;
}

// Two processes started in the same second must not share a file: the
// exclusive create tells which one came first, the later one adds its pid.
bool openFresh(RunLogState& s, const QString& prefix)
{
    s.file.close();
    const QString stem
        = QStringLiteral("logs/%1_%2").arg(prefix, s.clock().toString(QStringLiteral("yyyy-MM-dd-hh-mm-ss")));
    s.file.setFileName(stem + QStringLiteral(".log"));
    if (s.file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::NewOnly)) {
        s.count = 0;
        return true;
    }
    s.file.setFileName(QStringLiteral("%1_%2.log").arg(stem).arg(QCoreApplication::applicationPid()));
    s.count = 0;
    return s.file.open(QIODevice::WriteOnly | QIODevice::Append);
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
    const QByteArray bytes = (text + QStringLiteral("\r\n")).toLocal8Bit();
    RunLogState& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    s.count += bytes.size();
    if (s.file.isOpen())
        s.file.write(bytes);
    s.file.flush();
    if (s.count >= s.threshold)
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
