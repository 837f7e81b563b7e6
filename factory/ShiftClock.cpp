#include "ShiftClock.h"

#include "AttemptRow.h"

QDateTime ShiftClock::shiftStart(const QDateTime& now, const ShiftSchedule& schedule)
{
    const QDateTime local = now.toLocalTime();
    QDateTime latest;
    // Today's starts up to now, and yesterday's for the hours after midnight of a night shift.
    for (int daysBack = 0; daysBack <= 1; ++daysBack) {
        for (const QTime& time : schedule.starts) {
            const QDateTime candidate(local.date().addDays(-daysBack), time);
            if (candidate <= local && (!latest.isValid() || candidate > latest))
                latest = candidate;
        }
    }
    return latest.isValid() ? latest : local.date().startOfDay();
}

QString ShiftClock::stationKey(const AttemptRow& row)
{
    return row.context.host + QLatin1Char('/') + row.context.station;
}
