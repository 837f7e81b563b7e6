#pragma once

// This process's resident set in MiB, from /proc/self.
namespace ResidentMemory {

double currentMiB();
// The part of it that maps files and shared memory (libraries, SQLite's
// shared index of its write-ahead log), not the program's own allocations.
double fileBackedMiB();
// The kernel's high-water mark since the start or the last resetPeak().
double peakMiB();
void resetPeak();

} // namespace ResidentMemory
