#pragma once

#include <QtGlobal>

#include <chrono>

// The host's monotonic clock in microseconds: the same clock the virtual chip
// counts its event and wire times on, from its own start.
namespace HostClock {

inline qint64 nowUs()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace HostClock
