#pragma once

// The standard CRC-32 (the one zlib computes); the chip's "checksum 1"
// reports the same value for the same bytes.
unsigned int Crc32_wifi(const unsigned char* data, unsigned int length);
