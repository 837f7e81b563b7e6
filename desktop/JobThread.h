#pragma once

#include "WindowTiming.h"

#include <functional>
#include <memory>

class DownloadWorker;
class QThread;
class QWidget;
class WorkerSettings;

// A window's worker in a thread of its own, with the settings record it reads,
// loaded from the configuration. Closing waits for a job only up to a bound: a
// job that outlives it keeps its thread and record until the process exits.
class JobThread {
public:
    explicit JobThread(int workMode, const WindowTiming& timing = WindowTiming());
    ~JobThread();

    JobThread(const JobThread&) = delete;
    JobThread& operator=(const JobThread&) = delete;

    DownloadWorker* worker() const { return jobWorker; }
    WorkerSettings* settings() const { return record; }

    // After a stop request: runs the event loop (user input held back) until
    // jobEnded() holds or the bound has passed; returns jobEnded().
    bool waitForJobEnd(const std::function<bool()>& jobEnded);

    // A window's close: asks the operator first; on Yes stops the job
    // (stopJob) and waits for its end as waitForJobEnd does. True when the
    // window may close.
    bool confirmClose(QWidget* window, const std::function<void()>& stopJob, const std::function<bool()>& jobEnded);

private:
    WindowTiming timing;
    std::unique_ptr<QThread> thread;
    DownloadWorker* jobWorker = nullptr;
    WorkerSettings* record = nullptr;
};
