#pragma once

#include <QByteArray>
#include <QFile>
#include <QtGlobal>

// Long runs: how many rounds (from the environment, small by default) and how
// much memory the process holds.
namespace SoakMemory {

inline int rounds(const char* variable, int byDefault)
{
    bool ok = false;
    const int value = qEnvironmentVariableIntValue(variable, &ok);
    return ok && value > 0 ? value : byDefault;
}

// A field of /proc/self/status such as "VmRSS", in KiB; -1 when there is none.
inline qint64 statusKiB(const QByteArray& field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field + ':'))
            return line.mid(field.size() + 1).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

} // namespace SoakMemory
