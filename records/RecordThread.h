#pragma once

#include <QString>

#include <chrono>
#include <functional>

class QObject;
class QThread;

// A thread of its own for one object of the records (a writer, a forwarder,
// a reader), so that no window or job waits for a database. A database call
// cannot be interrupted: a thread still inside one when its owner closes is
// not waited for beyond a bound. It ends by itself once the call's own bound
// (RecordTiming) runs out, and deletes its object then.
class RecordThread {
public:
    // Takes the object (no parent) and starts the thread.
    RecordThread(QObject* object, const QString& name);
    ~RecordThread();
    RecordThread(const RecordThread&) = delete;
    RecordThread& operator=(const RecordThread&) = delete;

    // Runs lastCall on the thread after the calls queued so far, then ends
    // the thread. True when it ended within the bound.
    bool finish(std::chrono::milliseconds bound, const std::function<void()>& lastCall = {});
    bool isRunning() const { return thread != nullptr; }

private:
    QObject* object;
    QThread* thread;
};
