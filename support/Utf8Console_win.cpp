#include "Utf8Console.h"

#include <windows.h>

Utf8Console::Utf8Console()
    : previousCodePage(GetConsoleOutputCP())
{
    // Without a console (output redirected, started from a window) there is nothing to set.
    if (previousCodePage != 0 && previousCodePage != CP_UTF8)
        SetConsoleOutputCP(CP_UTF8);
}

Utf8Console::~Utf8Console()
{
    if (previousCodePage != 0 && previousCodePage != CP_UTF8)
        SetConsoleOutputCP(previousCodePage);
}
