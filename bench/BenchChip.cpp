#include "BenchChip.h"

#include "VirtualChip.h"

#include <cstdio>

bool BenchChip::start(VirtualChip& chip, int baud, int latencyMs)
{
    chip.configure([&](ChipKnobs& k) {
        k.baud = baud;
        k.adapterLatencyMs = latencyMs;
    });
    if (chip.start())
        return true;
    std::fprintf(stderr, "cannot open a pseudo-terminal\n");
    return false;
}
