#include "Crc32Wifi.h"

#include <zlib.h>

unsigned int Crc32_wifi(const unsigned char* data, unsigned int length)
{
    uLong crc = crc32(0L, Z_NULL, 0);
    // zlib takes a uInt length, so a large buffer goes in slices.
    while (length > 0) {
        const uInt slice = length > 0x40000000u ? 0x40000000u : length;
        crc = crc32(crc, data, slice);
        data += slice;
        length -= slice;
    }
    return static_cast<unsigned int>(crc);
}
