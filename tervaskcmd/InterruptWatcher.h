#pragma once

#include <functional>
#include <thread>

// Ctrl+C and SIGTERM end a job cleanly: the first one calls onInterrupt from
// a thread of the watcher's own (the signal handler only writes a byte into a
// pipe, since nothing else is safe there); a second one ends the process at
// once with exitStatus. One watcher at a time; the handlers are restored when
// it is destroyed.
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
    std::thread watcher;
};
