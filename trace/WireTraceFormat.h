#pragma once

#include <QByteArray>
#include <QString>

// The lines of a wire trace. Each starts with the microseconds since the port
// was opened and a direction: '>' to the chip, '<' from it, '#' a log line.
// Bytes are shown 16 to a line, as hex and as text ('.' for what does not
// print); an XMODEM packet is one line with its block number, length and CRC.
namespace WireTraceFormat {

constexpr char toChip = '>';
constexpr char fromChip = '<';
constexpr char logMark = '#';
constexpr int bytesPerLine = 16;

QByteArray bytesLines(qint64 us, char direction, const QByteArray& bytes);
// One line for a whole XMODEM packet; empty when the bytes are not one.
QByteArray packetLine(qint64 us, const QByteArray& bytes);
QByteArray logLine(qint64 us, const QString& text);

} // namespace WireTraceFormat
