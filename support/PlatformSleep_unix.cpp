#include "PlatformSleep.h"

#include <cerrno>
#include <ctime>

void sleepMs(int ms)
{
    if (ms < 1)
        return;
    timespec left { ms / 1000, long(ms % 1000) * 1000000L };
    while (nanosleep(&left, &left) == -1 && errno == EINTR) { }
}
