#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <mutex>

class DownloadWorker;

// The worker's log lines, each with the host's time it was emitted at, so
// that the time between two lines can be read off afterwards.
class LogTimeline {
public:
    struct Line {
        qint64 atUs;
        QString text;
    };

    // Direct connection: lines are stamped on the worker's thread as they leave it.
    void attach(DownloadWorker& worker);
    // Called on the worker's thread for every line, after it is recorded.
    void onLine(std::function<void(const QString&)> callback) { observer = std::move(callback); }

    // Host time of the first line equal to the text, or of the first that starts with it; -1 if none.
    qint64 timeOf(const QString& text) const;
    qint64 timeOfFirstStartingWith(const QString& prefix) const;
    bool contains(const QString& text) const;
    QStringList texts() const;
    QList<Line> lines() const;
    void clear();

private:
    mutable std::mutex lock;
    QList<Line> recorded;
    std::function<void(const QString&)> observer;
};
