#include "IdentitySettings.h"

QByteArray IdentitySettings::encode(MacAddress mac) const
{
    return format == Format::Raw ? mac.raw() : mac.hexDigits();
}

std::optional<MacAddress> IdentitySettings::decode(const QByteArray& bytes, int offset) const
{
    const QByteArray field = bytes.mid(offset, length());
    return format == Format::Raw ? MacAddress::fromRaw(field) : MacAddress::fromHexDigits(field);
}

QString IdentitySettings::problem(qint64 flashBytes) const
{
    if (const QString why = pool.problem(); !why.isEmpty())
        return why;
    if (qint64(flashAddress) + length() > flashBytes)
        return QStringLiteral("the MAC address at 0x%1 lies beyond the flash of %2 bytes")
            .arg(flashAddress, 0, 16)
            .arg(flashBytes);
    if (offsetInSector() + length() > int(sectorBytes))
        return QStringLiteral("the MAC address at 0x%1 crosses the end of its 4 KiB sector").arg(flashAddress, 0, 16);
    return QString();
}

bool IdentitySettings::fromTexts(const QString& pool, const QString& flashAddress, const QString& format,
    const QString& macsPerChip, IdentitySettings& identity, QString& why)
{
    IdentitySettings made;
    if (!MacRange::parse(pool, made.pool, why))
        return false;
    bool ok = false;
    made.flashAddress = flashAddress.trimmed().toUInt(&ok, 0);
    if (!ok) {
        why = QStringLiteral("the flash address of the MAC address is not a number: %1").arg(flashAddress);
        return false;
    }
    if (format == QLatin1String("text")) {
        made.format = Format::Text;
    } else if (format != QLatin1String("raw")) {
        why = QStringLiteral("the MAC address's format is raw or text, not %1").arg(format);
        return false;
    }
    made.pool.macsPerChip = macsPerChip.toInt(&ok);
    if (!ok) {
        why = QStringLiteral("a chip takes 1, 2 or 4 MAC addresses, not %1").arg(macsPerChip);
        return false;
    }
    made.enabled = true;
    identity = made;
    return true;
}

QString IdentitySettings::formatName(Format format)
{
    return format == Format::Raw ? QStringLiteral("raw") : QStringLiteral("text");
}
