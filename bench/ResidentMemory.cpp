#include "ResidentMemory.h"

#include <QByteArray>
#include <QFile>

namespace {

double statusMiB(const char* key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(int(qstrlen(key))).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return 0;
}

} // namespace

namespace ResidentMemory {

double currentMiB()
{
    return statusMiB("VmRSS:");
}

double fileBackedMiB()
{
    return statusMiB("RssFile:") + statusMiB("RssShmem:");
}

double peakMiB()
{
    return statusMiB("VmHWM:");
}

void resetPeak()
{
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    if (clearRefs.open(QIODevice::WriteOnly))
        clearRefs.write("5");
}

} // namespace ResidentMemory
