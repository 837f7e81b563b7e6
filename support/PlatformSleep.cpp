#include "PlatformSleep.h"

#include <QtGlobal>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <cerrno>
#include <ctime>
#endif

void sleepMs(int ms)
{
    if (ms < 1)
        return;
#ifdef Q_OS_WIN
    Sleep(DWORD(ms));
#else
    timespec left { ms / 1000, long(ms % 1000) * 1000000L };
    while (nanosleep(&left, &left) == -1 && errno == EINTR) { }
#endif
}
