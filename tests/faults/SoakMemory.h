#pragma once

#include <QByteArray>
#include <QFile>
#include <QtGlobal>

#if defined(__SANITIZE_ADDRESS__)
#define SOAK_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SOAK_UNDER_ASAN 1
#endif
#endif

#ifdef SOAK_UNDER_ASAN
#include <cstddef>
// The sanitizer's allocator statistics (GCC ships no header for them).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

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

// AddressSanitizer keeps freed memory in quarantine: the resident size and its
// peak then grow with the work done, not with what the program holds.
#ifdef SOAK_UNDER_ASAN
constexpr bool residentSizeMeansAnything = false;
#else
constexpr bool residentSizeMeansAnything = true;
#endif

// What the program holds on the heap now, in KiB: a leak or a list that keeps growing shows here.
inline qint64 liveHeapKiB()
{
#ifdef SOAK_UNDER_ASAN
    return qint64(__sanitizer_get_current_allocated_bytes()) / 1024;
#else
    const struct mallinfo2 info = mallinfo2();
    return qint64(info.uordblks + info.hblkhd) / 1024;
#endif
}

} // namespace SoakMemory
