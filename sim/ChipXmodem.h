#pragma once

#include <QByteArray>

// The chip's own view of XMODEM-1K: the control bytes its receiver knows and
// the CRC it checks packets with. Kept apart from the tools' code on purpose,
// so that a mistake there cannot make both ends agree.
namespace ChipXmodem {

constexpr char STX = 0x02; // 1024-byte packet
constexpr char EOT = 0x04;
constexpr char ACK = 0x06;
constexpr char NAK = 0x15;
constexpr char CAN = 0x18;
constexpr char START = 'C'; // "send with CRC"

constexpr int dataLength = 1024;
constexpr int packetLength = 1 + 2 + dataLength + 2; // STX, block, ~block, data, CRC

// CRC-16/XMODEM (polynomial 0x1021, initial 0, not reflected), from a table.
quint16 crc16(const char* data, int size);

} // namespace ChipXmodem
