#include "ShiftSummary.h"

#include "AttemptRow.h"

ShiftSummary::ShiftSummary(const QDateTime& shiftStart)
{
    const QDateTime first = shiftStart.toLocalTime();
    firstHour = QDateTime(first.date(), QTime(first.time().hour(), 0));
}

void ShiftSummary::add(const AttemptRow& row)
{
    const Attempt attempt { row.startedAt, ShiftClock::stationKey(row), row.context.station, row.result, row.reason };
    Station& station = byStation[attempt.station];
    station.port = attempt.port;
    ++station.attempts;
    const qint64 hour = firstHour.isValid() ? firstHour.secsTo(row.startedAt) / 3600 : -1;
    if (hour >= 0 && row.result == QLatin1String("pass"))
        ++station.hours[hour].passed;
    else if (hour >= 0 && row.result == QLatin1String("fail"))
        ++station.hours[hour].failed;
    keep(station.latest, attempt);
    keep(latestOfAll, attempt);
}

void ShiftSummary::keep(std::deque<Attempt>& latest, const Attempt& attempt)
{
    latest.push_back(attempt);
    if (latest.size() > latestKept)
        latest.pop_front();
}

int ShiftSummary::attempts(const QString& station) const
{
    if (!station.isEmpty())
        return byStation.value(station).attempts;
    int all = 0;
    for (const Station& each : byStation)
        all += each.attempts;
    return all;
}

QList<ShiftHour> ShiftSummary::perHour(const QDateTime& now, const QString& station) const
{
    QList<ShiftHour> hours;
    if (!firstHour.isValid())
        return hours;
    for (QDateTime hour = firstHour; hour <= now; hour = hour.addSecs(3600))
        hours << ShiftHour { hour };
    for (auto each = byStation.cbegin(); each != byStation.cend(); ++each) {
        if (!station.isEmpty() && each.key() != station)
            continue;
        for (auto counted = each->hours.cbegin(); counted != each->hours.cend(); ++counted) {
            if (counted.key() >= hours.size())
                break;
            hours[counted.key()].passed += counted->passed;
            hours[counted.key()].failed += counted->failed;
        }
    }
    return hours;
}

QList<ShiftSummary::Attempt> ShiftSummary::latest(const QString& station) const
{
    if (station.isEmpty())
        return QList<Attempt>(latestOfAll.crbegin(), latestOfAll.crend());
    const auto found = byStation.constFind(station);
    if (found == byStation.cend())
        return {};
    return QList<Attempt>(found->latest.crbegin(), found->latest.crend());
}
