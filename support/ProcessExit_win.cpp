#include "ProcessExit.h"

#include <cstdio>

#include <windows.h>

// The process ends here, without unloading its DLLs: once Qt's SQLite driver has
// run on another thread (the records' writer), unloading libstdc++-6.dll waits for
// ever on a lock under Wine 8, and the console never got its prompt back. Nothing
// is left to do by now but to hand over what is still buffered.
int endProcess(int status)
{
    std::fflush(nullptr);
    TerminateProcess(GetCurrentProcess(), UINT(status));
    return status;
}
