#include "PlatformSleep.h"

#include <windows.h>

#include <timeapi.h>

namespace {

// Windows wakes sleeping threads on its timer tick, 15.6 ms by default: Sleep(1)
// and every timed wait of the serial port would last a whole tick, which adds up
// over a transfer's thousand packets. The process asks for 1 ms from start to end;
// this file is linked wherever the worker is, since the worker sleeps with it.
struct FineTimerResolution {
    FineTimerResolution() { timeBeginPeriod(1); }
    ~FineTimerResolution() { timeEndPeriod(1); }
};
const FineTimerResolution fineTimerResolution;

} // namespace

void sleepMs(int ms)
{
    if (ms < 1)
        return;
    Sleep(DWORD(ms));
}
