#pragma once

#include <pthread.h>

// CPU seconds (user + system) spent so far, read with getrusage and the
// per-thread CPU clocks.
namespace CpuClock {

double process();
double callingThread();
double thread(pthread_t which);

} // namespace CpuClock
