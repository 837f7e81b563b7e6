#include "MacAddress.h"

#include <QRegularExpression>

std::optional<MacAddress> MacAddress::parse(const QString& text)
{
    static const QRegularExpression octets(QStringLiteral(
        "^([0-9A-Fa-f]{2}):([0-9A-Fa-f]{2}):([0-9A-Fa-f]{2}):([0-9A-Fa-f]{2}):([0-9A-Fa-f]{2}):([0-9A-Fa-f]{2})$"));
    static const QRegularExpression digits(QStringLiteral("^[0-9A-Fa-f]{12}$"));
    const QString trimmed = text.trimmed();
    QString hex;
    if (const QRegularExpressionMatch match = octets.match(trimmed); match.hasMatch()) {
        for (int i = 1; i <= 6; ++i)
            hex += match.captured(i);
    } else if (digits.match(trimmed).hasMatch()) {
        hex = trimmed;
    } else {
        return std::nullopt;
    }
    return MacAddress(hex.toULongLong(nullptr, 16));
}

std::optional<MacAddress> MacAddress::fromRaw(const QByteArray& bytes)
{
    if (bytes.size() != 6)
        return std::nullopt;
    quint64 value = 0;
    for (const char byte : bytes)
        value = (value << 8) | quint8(byte);
    return MacAddress(value);
}

std::optional<MacAddress> MacAddress::fromHexDigits(const QByteArray& digits)
{
    if (digits.size() != 12)
        return std::nullopt;
    for (const char c : digits) {
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')))
            return std::nullopt;
    }
    return MacAddress(digits.toULongLong(nullptr, 16));
}

QString MacAddress::text() const
{
    QString out;
    for (int shift = 40; shift >= 0; shift -= 8) {
        if (shift != 40)
            out += QLatin1Char(':');
        out += QStringLiteral("%1").arg(uint((bits >> shift) & 0xFF), 2, 16, QLatin1Char('0')).toUpper();
    }
    return out;
}

QByteArray MacAddress::raw() const
{
    QByteArray out(6, Qt::Uninitialized);
    for (int i = 0; i < 6; ++i)
        out[i] = char((bits >> (40 - 8 * i)) & 0xFF);
    return out;
}

QByteArray MacAddress::hexDigits() const
{
    return QByteArray::number(bits, 16).rightJustified(12, '0').toUpper();
}
