#pragma once

#include <QByteArray>

// How the worker judges what the boot console printed.
namespace ConsoleReply {

// The console took the command: its echo is there, byte for byte, and no complaint.
bool isCommandAccepted(const QByteArray& reply, const QByteArray& cmd);

// The console complained about the command or its arguments.
bool isRejected(const QByteArray& reply);

// The reply carries the prompt "Boot >" whole.
bool hasPrompt(const QByteArray& reply);

// A "CRC32 = 0x%08X" line with at least one byte after its eight digits.
bool hasReadableChecksum(const QByteArray& reply);
// The value of that line (0 when its digits are not hexadecimal); call only when readable.
quint32 checksumValue(const QByteArray& reply);

} // namespace ConsoleReply
