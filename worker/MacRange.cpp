#include "MacRange.h"

#include <QStringList>

bool MacRange::parse(const QString& text, MacRange& range, QString& why)
{
    const QStringList ends = text.split(QLatin1Char('-'));
    const std::optional<MacAddress> first = ends.size() == 2 ? MacAddress::parse(ends.at(0)) : std::nullopt;
    const std::optional<MacAddress> last = ends.size() == 2 ? MacAddress::parse(ends.at(1)) : std::nullopt;
    if (!first || !last) {
        why = QStringLiteral("the MAC pool \"%1\" is not FIRST-LAST, such as 02:00:00:00:00:00-02:00:00:00:0F:FF")
                  .arg(text);
        return false;
    }
    range.first = *first;
    range.last = *last;
    return true;
}

QString MacRange::text() const
{
    return first.text() + QLatin1Char('-') + last.text();
}

quint64 MacRange::firstBase() const
{
    const quint64 n = quint64(macsPerChip);
    return (first.value() + n - 1) / n * n;
}

quint64 MacRange::lastBase() const
{
    const quint64 n = quint64(macsPerChip);
    const quint64 end = last.value() + 1; // one past the last address
    return end / n * n - n;
}

qint64 MacRange::chipCount() const
{
    if (macsPerChip < 1 || last < first || last.value() + 1 < firstBase() + quint64(macsPerChip))
        return 0;
    return qint64((lastBase() - firstBase()) / quint64(macsPerChip) + 1);
}

bool MacRange::holdsBase(MacAddress base) const
{
    return chipCount() > 0 && base.value() >= firstBase() && base.value() <= lastBase()
        && base.value() % quint64(macsPerChip) == 0;
}

QString MacRange::problem() const
{
    if (macsPerChip != 1 && macsPerChip != 2 && macsPerChip != 4)
        return QStringLiteral("a chip takes 1, 2 or 4 MAC addresses, not %1").arg(macsPerChip);
    if (last < first)
        return QStringLiteral("the MAC pool %1 ends before it begins").arg(text());
    // Every first octet from one end to the other is in the range: one of two is a group address.
    if (first.isMulticast() || last.isMulticast() || first.firstOctet() != last.firstOctet())
        return QStringLiteral("the MAC pool %1 holds group (multicast) addresses: the first octet must be even")
            .arg(text());
    if (chipCount() == 0)
        return QStringLiteral("the MAC pool %1 holds no aligned block of %2 addresses").arg(text()).arg(macsPerChip);
    return QString();
}

QString MacRange::warning() const
{
    if (!first.isLocallyAdministered())
        return QString();
    return QStringLiteral("the MAC pool %1 is locally administered: such addresses are for labs, not products")
        .arg(text());
}
