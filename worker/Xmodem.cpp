#include "Xmodem.h"

#include <QRegularExpression>
#include <QString>

#include <algorithm>
#include <cstring>

namespace Xmodem {

quint16 crc16(const char* data, int size)
{
    quint16 crc = 0;
    for (int i = 0; i < size; ++i) {
        crc ^= quint16(quint8(data[i])) << 8;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x8000) ? quint16((crc << 1) ^ 0x1021) : quint16(crc << 1);
    }
    return crc;
}

QByteArray buildPacket(int remaining, quint8 block, const char* rest, int packetSize)
{
    QByteArray packet(packetSize + 5, PAD);
    packet[0] = STX;
    packet[1] = char(block);
    packet[2] = char(~block);
    const int payload = std::clamp(remaining, 0, packetSize);
    if (payload > 0)
        std::memcpy(packet.data() + 3, rest, size_t(payload));
    const quint16 crc = crc16(packet.constData() + 3, packetSize);
    packet[packetSize + 3] = char(crc >> 8);
    packet[packetSize + 4] = char(crc & 0xFF);
    return packet;
}

bool hasStartChar(const QByteArray& reply)
{
    static const QRegularExpression whitespace(QStringLiteral("\\s+"));
    const QStringList words = QString::fromLatin1(reply).split(whitespace);
    return std::any_of(
        words.cbegin(), words.cend(), [](const QString& word) { return word.startsWith(QLatin1Char('C')); });
}

} // namespace Xmodem
