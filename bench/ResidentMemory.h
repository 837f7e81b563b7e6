#pragma once

// This process's resident set in MiB, from /proc/self.
namespace ResidentMemory {

double currentMiB();
// The kernel's high-water mark since the start or the last resetPeak().
double peakMiB();
void resetPeak();

} // namespace ResidentMemory
