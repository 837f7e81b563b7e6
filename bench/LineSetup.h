#pragma once

// A sender of the benchmarks sets its end of the line as a serial port would
// be set for the chip: raw 8N1 at the chip's speed. The virtual chip garbles
// a line at any other speed.
namespace LineSetup {

// False when the terminal behind fd cannot be set, or for a speed with no
// standard rate.
bool raw8N1(int fd, int baud);

} // namespace LineSetup
