#pragma once

#include "MacAddress.h"

#include <QString>

// A pool of MAC addresses: first to last, both included. A chip takes
// macsPerChip consecutive addresses (its station, access-point and Bluetooth
// addresses derive from one base), the base aligned to that count; only
// whole blocks inside the range are handed out.
struct MacRange {
    MacAddress first;
    MacAddress last;
    int macsPerChip = 1;

    // "FIRST-LAST"; false with why when the text is no range of two addresses.
    static bool parse(const QString& text, MacRange& range, QString& why);
    // "AA:BB:CC:00:00:00-AA:BB:CC:00:0F:FF": also the pool's name in the records.
    QString text() const;

    quint64 firstBase() const;
    quint64 lastBase() const; // less than firstBase() when no whole block fits
    qint64 chipCount() const;
    // A chip's base address out of this pool.
    bool holdsBase(MacAddress base) const;

    // Empty when addresses may be handed out of this range, else why not.
    QString problem() const;
    // Empty, or what an operator should know before using it.
    QString warning() const;
};
