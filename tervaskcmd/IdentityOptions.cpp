#include "IdentityOptions.h"

#include "IdentitySettings.h"

bool IdentityOptions::take(const QString& option, const QString& value)
{
    QString* target = nullptr;
    if (option == QLatin1String("--mac-pool"))
        target = &pool;
    else if (option == QLatin1String("--mac-at"))
        target = &at;
    else if (option == QLatin1String("--mac-format"))
        target = &format;
    else if (option == QLatin1String("--macs-per-chip"))
        target = &macsPerChip;
    else
        return false;
    // Never null once given, so that an empty value still counts as given.
    *target = value.isNull() ? QStringLiteral("") : value;
    seen = true;
    return true;
}

bool IdentityOptions::apply(IdentitySettings& identity, QString& why) const
{
    if (!given())
        return true;
    if (pool.isNull() || at.isNull()) {
        why = QStringLiteral("MAC addresses need both --mac-pool and --mac-at");
        return false;
    }
    return IdentitySettings::fromTexts(pool, at, format, macsPerChip, identity, why);
}
