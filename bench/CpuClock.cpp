#include "CpuClock.h"

#include <QDir>
#include <QFile>

#include <sys/resource.h>
#include <time.h>

namespace {

double seconds(const rusage& usage)
{
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace

namespace CpuClock {

double process()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return seconds(usage);
}

double callingThread()
{
    rusage usage {};
    getrusage(RUSAGE_THREAD, &usage);
    return seconds(usage);
}

double thread(pthread_t which)
{
    clockid_t clock {};
    timespec now {};
    if (pthread_getcpuclockid(which, &clock) != 0 || clock_gettime(clock, &now) != 0)
        return 0;
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

double threadsNamed(const QString& prefix)
{
    double total = 0;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(tid + QStringLiteral("/comm")));
        QFile schedstat(tasks.filePath(tid + QStringLiteral("/schedstat")));
        if (!comm.open(QIODevice::ReadOnly) || !schedstat.open(QIODevice::ReadOnly))
            continue;
        if (QString::fromLocal8Bit(comm.readAll()).startsWith(prefix))
            total += schedstat.readAll().split(' ').value(0).toDouble() / 1e9;
    }
    return total;
}

} // namespace CpuClock
