#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <optional>

// A 48-bit MAC address. Text is six colon-separated octets in upper case
// ("AA:BB:CC:DD:EE:FF"); the first octet is the one sent first on the air.
class MacAddress {
public:
    static constexpr quint64 mask = 0xFFFFFFFFFFFFull;

    constexpr MacAddress() = default;
    constexpr explicit MacAddress(quint64 value)
        : bits(value & mask)
    { }

    // "AA:BB:CC:DD:EE:FF" or "AABBCCDDEEFF", either case; nothing else.
    static std::optional<MacAddress> parse(const QString& text);
    // Six bytes, first octet first.
    static std::optional<MacAddress> fromRaw(const QByteArray& bytes);
    // Twelve upper-case hexadecimal digits, as the text format stores it.
    static std::optional<MacAddress> fromHexDigits(const QByteArray& digits);

    constexpr quint64 value() const { return bits; }
    QString text() const;
    QByteArray raw() const;
    QByteArray hexDigits() const;

    constexpr quint8 firstOctet() const { return quint8(bits >> 40); }
    // The group bit: such an address names many stations, never one chip.
    constexpr bool isMulticast() const { return (firstOctet() & 0x01) != 0; }
    // Not from a vendor's assigned block: for labs, not products.
    constexpr bool isLocallyAdministered() const { return (firstOctet() & 0x02) != 0; }

    friend constexpr bool operator==(MacAddress a, MacAddress b) { return a.bits == b.bits; }
    friend constexpr bool operator!=(MacAddress a, MacAddress b) { return a.bits != b.bits; }
    friend constexpr bool operator<(MacAddress a, MacAddress b) { return a.bits < b.bits; }

private:
    quint64 bits = 0;
};
