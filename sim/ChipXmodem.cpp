#include "ChipXmodem.h"

#include <array>

namespace {

constexpr std::array<quint16, 256> makeTable()
{
    std::array<quint16, 256> table {};
    for (int index = 0; index < 256; ++index) {
        quint16 value = quint16(index << 8);
        for (int bit = 0; bit < 8; ++bit)
            value = quint16((value & 0x8000) ? (value << 1) ^ 0x1021 : value << 1);
        table[size_t(index)] = value;
    }
    return table;
}

constexpr std::array<quint16, 256> table = makeTable();

} // namespace

quint16 ChipXmodem::crc16(const char* data, int size)
{
    quint16 crc = 0;
    for (int i = 0; i < size; ++i)
        crc = quint16((crc << 8) ^ table[size_t(((crc >> 8) ^ quint8(data[i])) & 0xFF)]);
    return crc;
}
