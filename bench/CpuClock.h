#pragma once

#include <QString>

#include <pthread.h>

// CPU seconds (user + system) spent so far, read with getrusage and the
// per-thread CPU clocks.
namespace CpuClock {

double process();
double callingThread();
double thread(pthread_t which);
// Of this process's threads whose name starts with the prefix, from their
// on-CPU time in /proc; threads that have ended are not counted.
double threadsNamed(const QString& prefix);

} // namespace CpuClock
