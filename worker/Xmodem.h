#pragma once

#include <QByteArray>

// XMODEM-1K framing as the boot console's receiver expects it.
namespace Xmodem {

constexpr char STX = 0x02;
constexpr char EOT = 0x04;
constexpr char ACK = 0x06;
constexpr char NAK = 0x15;
constexpr char CAN = 0x18;
constexpr char START = 'C';
constexpr char PAD = 0x1A;

// CRC-16/XMODEM: polynomial 0x1021, initial value 0, no reflection, no final XOR.
quint16 crc16(const char* data, int size);

// One packet of packetSize + 5 bytes: STX, block, ~block, the next packetSize
// bytes of rest (padded with 0x1A), CRC high byte first.
QByteArray buildPacket(int remaining, quint8 block, const char* rest, int packetSize = 1024);

// The receiver's start request: a whitespace-separated word that begins with 'C'.
bool hasStartChar(const QByteArray& reply);

} // namespace Xmodem
