#pragma once

#include <QString>

// True when the range may be erased; otherwise false with the reason in error
// (left untouched on success). All three numbers are in bytes.
bool checkEraseRange(int flashBytes, int eraseAddr, int eraseSize, QString& error);
