#pragma once

// Ends the program with `status` once main's work is done: every file closed,
// every thread joined. Written as `return endProcess(status);` at the end of
// main, with everything else already destroyed.
int endProcess(int status);
