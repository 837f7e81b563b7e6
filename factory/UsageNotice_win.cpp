#include "UsageNotice.h"

#include <cstdio>

#include <windows.h>

void showUsage(const QString& program, const QString& usage)
{
    // Reaches a script that redirected standard error; shown by nothing else.
    std::fputs(usage.toUtf8().constData(), stderr);
    std::fflush(stderr);
    MessageBoxW(nullptr, reinterpret_cast<LPCWSTR>(usage.utf16()), reinterpret_cast<LPCWSTR>(program.utf16()),
        MB_OK | MB_ICONINFORMATION);
}
