#pragma once

#include "StationCounters.h"

#include <QDateTime>
#include <QList>
#include <QString>

struct AttemptRow;

// A fixture's chips as the records hold them: the rows of the station
// program on this host, of that fixture (its port, or the USB socket it is
// bound to), started in [since, before). A chip is its first attempt that
// passed or failed; it passed when any of its attempts passed, and passed
// first when its first attempt did.
class ShiftTally {
public:
    static StationCounters count(const QList<AttemptRow>& rows, const QString& host, const QString& fixtureKey,
        const QDateTime& since, const QDateTime& before);
};
