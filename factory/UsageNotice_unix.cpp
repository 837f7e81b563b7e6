#include "UsageNotice.h"

#include <cstdio>

void showUsage(const QString&, const QString& usage)
{
    std::fputs(usage.toUtf8().constData(), stderr);
}
