#pragma once

#include <QByteArray>

#include <optional>

// How the worker judges what the boot console printed.
namespace ConsoleReply {

// The console took the command: its echo is there, byte for byte, and no complaint.
bool isCommandAccepted(const QByteArray& reply, const QByteArray& cmd);

// The console complained about the command or its arguments.
bool isRejected(const QByteArray& reply);

// The reply holds the command's echo and the prompt after it (after "loadx", the
// receiver's start request): the console is done with it.
bool isCompleteReply(const QByteArray& reply, const QByteArray& cmd);

// The reply carries the prompt "Boot >" whole.
bool hasPrompt(const QByteArray& reply);

// A "CRC32 = 0x%08X" line with at least one byte after its eight digits.
bool hasReadableChecksum(const QByteArray& reply);
// The value of that line; none when the line is not readable or its eight
// digits are not all hexadecimal, so that a garbled line never matches a CRC.
std::optional<quint32> checksumValue(const QByteArray& reply);

} // namespace ConsoleReply
