#include "LogTimeline.h"

#include "DownloadWorker.h"
#include "HostClock.h"

void LogTimeline::attach(DownloadWorker& worker)
{
    QObject::connect(
        &worker, &DownloadWorker::sngLog, &worker,
        [this](const QString& text) {
            {
                std::lock_guard<std::mutex> guard(lock);
                recorded.append({ HostClock::nowUs(), text });
            }
            if (observer)
                observer(text);
        },
        Qt::DirectConnection);
}

qint64 LogTimeline::timeOf(const QString& text) const
{
    std::lock_guard<std::mutex> guard(lock);
    for (const Line& line : recorded)
        if (line.text == text)
            return line.atUs;
    return -1;
}

qint64 LogTimeline::timeOfFirstStartingWith(const QString& prefix) const
{
    std::lock_guard<std::mutex> guard(lock);
    for (const Line& line : recorded)
        if (line.text.startsWith(prefix))
            return line.atUs;
    return -1;
}

bool LogTimeline::contains(const QString& text) const
{
    return timeOf(text) >= 0;
}

QStringList LogTimeline::texts() const
{
    std::lock_guard<std::mutex> guard(lock);
    QStringList all;
    for (const Line& line : recorded)
        all.append(line.text);
    return all;
}

QList<LogTimeline::Line> LogTimeline::lines() const
{
    std::lock_guard<std::mutex> guard(lock);
    return recorded;
}

void LogTimeline::clear()
{
    std::lock_guard<std::mutex> guard(lock);
    recorded.clear();
}
