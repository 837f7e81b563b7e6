#pragma once

#include <QString>

struct IdentitySettings;

// The console program's MAC assignment options, as given:
// --mac-pool FIRST-LAST --mac-at ADDR [--mac-format raw|text] [--macs-per-chip 1|2|4].
struct IdentityOptions {
    QString pool;
    QString at;
    QString format { QStringLiteral("raw") };
    QString macsPerChip { QStringLiteral("1") };
    bool seen = false;

    // The option's value kept; false when the option is none of these.
    bool take(const QString& option, const QString& value);
    bool given() const { return seen; }
    // Into the settings (assignment on when given); false with the one line why not.
    bool apply(IdentitySettings& identity, QString& why) const;
};
