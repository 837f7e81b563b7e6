#pragma once

#include <functional>
#include <thread>

// Ctrl+C and SIGTERM end a job cleanly: the first one calls onInterrupt from
// a thread other than the job's; a second one ends the process at once with
// exitStatus. One watcher at a time; the handlers are restored when it is
// destroyed. Create it before the job and destroy it only once the run log and
// the record are finished: on Windows the console window's close button (and a
// logoff or shutdown) stops the job too, and the system ends the process as
// soon as the handler returns, so the handler waits for the watcher's end.
class InterruptWatcher {
public:
    InterruptWatcher(std::function<void()> onInterrupt, int exitStatus);
    ~InterruptWatcher();

    InterruptWatcher(const InterruptWatcher&) = delete;
    InterruptWatcher& operator=(const InterruptWatcher&) = delete;

    bool interrupted() const;

private:
    void watch();

    std::function<void()> onInterrupt;
    std::thread watcher; // where the signals reach onInterrupt; on Windows the system's handler thread does
};
