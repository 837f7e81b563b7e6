#pragma once

class VirtualChip;

// The benchmarks' chip: its wire paced at the given speed behind an adapter of
// the given latency.
namespace BenchChip {

// False, and said on standard error, when no pseudo-terminal can be opened.
bool start(VirtualChip& chip, int baud, int latencyMs);

} // namespace BenchChip
