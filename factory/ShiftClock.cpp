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

QList<ShiftHour> ShiftClock::perHour(
    const QList<AttemptRow>& rows, const QDateTime& start, const QDateTime& now, const QString& station)
{
    QList<ShiftHour> hours;
    const QDateTime first = start.toLocalTime();
    for (QDateTime hour(first.date(), QTime(first.time().hour(), 0)); hour <= now; hour = hour.addSecs(3600))
        hours << ShiftHour { hour };
    for (const AttemptRow& row : rows) {
        if (!station.isEmpty() && stationKey(row) != station)
            continue;
        const qint64 index = hours.isEmpty() ? -1 : hours.first().begin.secsTo(row.startedAt) / 3600;
        if (index < 0 || index >= hours.size())
            continue;
        if (row.result == QLatin1String("pass"))
            ++hours[index].passed;
        else if (row.result == QLatin1String("fail"))
            ++hours[index].failed;
    }
    return hours;
}

QString ShiftClock::stationKey(const AttemptRow& row)
{
    return row.context.host + QLatin1Char('/') + row.context.station;
}
