#pragma once

#include "MacAddress.h"
#include "MacRange.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <optional>

// Where and how a chip's MAC address is written into its flash, and the pool
// it comes from. Filled by the front end; off unless enabled.
struct IdentitySettings {
    enum class Format {
        Raw, // six bytes, first octet first
        Text, // twelve upper-case hexadecimal digits
    };

    static constexpr quint32 sectorBytes = 4096;

    bool enabled = false;
    MacRange pool;
    quint32 flashAddress = 0; // the flash offset of the address's first byte
    Format format = Format::Raw;

    int length() const { return format == Format::Raw ? 6 : 12; }
    quint32 sectorStart() const { return flashAddress / sectorBytes * sectorBytes; }
    int offsetInSector() const { return int(flashAddress - sectorStart()); }

    QByteArray encode(MacAddress mac) const;
    // The address at offset of bytes in this format; none when they hold no such thing.
    std::optional<MacAddress> decode(const QByteArray& bytes, int offset) const;

    // Empty when a job on a flash of flashBytes may assign addresses so, else
    // the one line why not.
    QString problem(qint64 flashBytes) const;

    // Assignment on, from the settings' texts: the pool "FIRST-LAST", the
    // flash address ("0x3FF000" or decimal), "raw" or "text", and the
    // addresses per chip. False with the one line why not.
    static bool fromTexts(const QString& pool, const QString& flashAddress, const QString& format,
        const QString& macsPerChip, IdentitySettings& identity, QString& why);
    static QString formatName(Format format);
};
