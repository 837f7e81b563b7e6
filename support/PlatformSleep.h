#pragma once

// Blocks the calling thread for the given milliseconds (values below 1 return at once).
void sleepMs(int ms);
