#include "InterruptWatcher.h"

#include <atomic>

#include <windows.h>

namespace {

std::atomic<int> signalCount { 0 };
std::atomic<int> secondSignalStatus { 2 };
std::function<void()>* callback = nullptr;

// Set when the watcher ends; never closed, since a handler may still be waking from it.
HANDLE watcherGone()
{
    static const HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    return event;
}

bool endsTheProcess(DWORD event)
{
    return event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT;
}

// Windows runs console control handlers on a thread of their own.
BOOL WINAPI onConsoleControl(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && !endsTheProcess(event))
        return FALSE;
    if (signalCount.fetch_add(1) == 0) {
        if (callback)
            (*callback)();
    } else if (!endsTheProcess(event)) {
        ExitProcess(UINT(secondSignalStatus.load()));
    }
    // Windows ends the process once this returns (or after its own grace time of
    // a few seconds): the job's end, the run log and the record come first.
    if (endsTheProcess(event))
        WaitForSingleObject(watcherGone(), INFINITE);
    return TRUE;
}

} // namespace

InterruptWatcher::InterruptWatcher(std::function<void()> handler, int exitStatus)
    : onInterrupt(std::move(handler))
{
    signalCount = 0;
    secondSignalStatus = exitStatus;
    ResetEvent(watcherGone());
    callback = &onInterrupt;
    // A console program started in a new process group ignores Ctrl+C until it asks for it.
    SetConsoleCtrlHandler(nullptr, FALSE);
    SetConsoleCtrlHandler(onConsoleControl, TRUE);
}

InterruptWatcher::~InterruptWatcher()
{
    SetConsoleCtrlHandler(onConsoleControl, FALSE);
    callback = nullptr;
    SetEvent(watcherGone());
}

bool InterruptWatcher::interrupted() const
{
    return signalCount.load() > 0;
}

void InterruptWatcher::watch() { }
