#include "InterruptWatcher.h"

#include <atomic>
#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace {

std::atomic<int> signalCount { 0 };
std::atomic<int> secondSignalStatus { 2 };

constexpr char interruptByte = 1;
constexpr char quitByte = 0;
int wakePipe[2] = { -1, -1 };

void onSignal(int)
{
    if (signalCount.fetch_add(1) > 0)
        _exit(secondSignalStatus.load());
    [[maybe_unused]] const auto written = ::write(wakePipe[1], &interruptByte, 1);
}

void setHandlers(void (*handler)(int))
{
    struct sigaction action = {};
    action.sa_handler = handler;
    // A write to a blocked standard output goes on after the handler instead of failing with EINTR.
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

} // namespace

InterruptWatcher::InterruptWatcher(std::function<void()> callback, int exitStatus)
    : onInterrupt(std::move(callback))
{
    signalCount = 0;
    secondSignalStatus = exitStatus;
    if (::pipe(wakePipe) != 0)
        return;
    ::fcntl(wakePipe[0], F_SETFD, FD_CLOEXEC);
    ::fcntl(wakePipe[1], F_SETFD, FD_CLOEXEC);
    watcher = std::thread([this] { watch(); });
    setHandlers(onSignal);
}

InterruptWatcher::~InterruptWatcher()
{
    if (!watcher.joinable())
        return;
    setHandlers(SIG_DFL);
    [[maybe_unused]] const auto written = ::write(wakePipe[1], &quitByte, 1);
    watcher.join();
    ::close(wakePipe[0]);
    ::close(wakePipe[1]);
    wakePipe[0] = wakePipe[1] = -1;
}

bool InterruptWatcher::interrupted() const
{
    return signalCount.load() > 0;
}

void InterruptWatcher::watch()
{
    for (;;) {
        char byte = quitByte;
        const auto got = ::read(wakePipe[0], &byte, 1);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0 || byte == quitByte)
            return;
        onInterrupt();
    }
}
