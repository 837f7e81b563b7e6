#include "WireTraceFormat.h"

#include <algorithm>
#include <cstdio>

namespace WireTraceFormat {

namespace {

constexpr char SOH = 0x01;
constexpr char STX = 0x02;

QByteArray stamp(qint64 us, char mark)
{
    char head[32];
    const int length = std::snprintf(head, sizeof head, "%10lld %c ", static_cast<long long>(us), mark);
    return QByteArray(head, length);
}

// A lone control byte of XMODEM is named, as it is the whole answer to a packet.
const char* controlName(char byte)
{
    switch (byte) {
    case 0x04:
        return "<EOT>";
    case 0x06:
        return "<ACK>";
    case 0x15:
        return "<NAK>";
    case 0x18:
        return "<CAN>";
    default:
        return nullptr;
    }
}

// One line of up to 16 bytes; `name` (if any) stands in the text column for the bytes.
void appendRow(QByteArray& out, const QByteArray& head, const char* row, int size, const char* name)
{
    static const char digits[] = "0123456789abcdef";
    out += head;
    for (int i = 0; i < bytesPerLine; ++i) {
        if (i < size) {
            const auto byte = static_cast<unsigned char>(row[i]);
            out += digits[byte >> 4];
            out += digits[byte & 0x0F];
            out += ' ';
        } else {
            out += "   ";
        }
    }
    out += ' ';
    if (name)
        out += name;
    else
        for (int i = 0; i < size; ++i)
            out += row[i] >= 0x20 && row[i] < 0x7F ? row[i] : '.';
    out += '\n';
}

} // namespace

QByteArray bytesLines(qint64 us, char direction, const QByteArray& bytes)
{
    const QByteArray head = stamp(us, direction);
    const char* name = bytes.size() == 1 ? controlName(bytes.at(0)) : nullptr;
    QByteArray out;
    out.reserve((bytes.size() / bytesPerLine + 1) * (head.size() + 4 * bytesPerLine + 2));
    for (qsizetype at = 0; at < bytes.size(); at += bytesPerLine)
        appendRow(out, head, bytes.constData() + at, int(std::min<qsizetype>(bytesPerLine, bytes.size() - at)), name);
    return out;
}

QByteArray packetLine(qint64 us, const QByteArray& bytes)
{
    const qsizetype payload = bytes.size() - 5;
    if ((payload != 1024 && payload != 128) || (bytes.at(0) != STX && bytes.at(0) != SOH))
        return QByteArray();
    const auto block = static_cast<unsigned char>(bytes.at(1));
    if (static_cast<unsigned char>(bytes.at(2)) != static_cast<unsigned char>(~block))
        return QByteArray();
    const unsigned crc = static_cast<unsigned char>(bytes.at(bytes.size() - 2)) << 8
        | static_cast<unsigned char>(bytes.at(bytes.size() - 1));
    char line[96];
    const int length = std::snprintf(line, sizeof line, "%s block %u, %d bytes, CRC 0x%04x\n",
        bytes.at(0) == STX ? "STX" : "SOH", unsigned(block), int(payload), crc);
    return stamp(us, toChip) + QByteArray(line, length);
}

QByteArray logLine(qint64 us, const QString& text)
{
    QByteArray line = text.toUtf8();
    line.replace('\r', "\\r").replace('\n', "\\n");
    return stamp(us, logMark) + line + '\n';
}

} // namespace WireTraceFormat
