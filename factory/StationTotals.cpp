#include "StationTotals.h"

#include "Station.h"

#include <algorithm>
#include <chrono>

StationTotals::StationTotals(QObject* parent)
    : QObject(parent)
    , clock([] { return QDateTime::currentDateTimeUtc(); })
    , countingSince(clock())
{ }

void StationTotals::setClock(std::function<QDateTime()> next)
{
    clock = std::move(next);
    countingSince = clock();
}

void StationTotals::watch(Station* station)
{
    stations.removeAll(nullptr);
    stations.append(station);
    connect(station, &Station::chipCounted, this, [this](bool, const QDateTime& atUtc) { addToPace(atUtc); });
    connect(station, &Station::countersChanged, this, &StationTotals::changed);
    connect(station, &QObject::destroyed, this, &StationTotals::changed, Qt::QueuedConnection);
}

StationCounters StationTotals::counters() const
{
    StationCounters all;
    for (const QPointer<Station>& station : stations) {
        if (station)
            all += station->counters();
    }
    return all;
}

void StationTotals::addToPace(const QDateTime& atUtc)
{
    // Stations report in the order the main thread hears them: keep the times sorted.
    recent.insert(std::upper_bound(recent.begin(), recent.end(), atUtc), atUtc);
    dropOlderThanWindow(clock());
    emit changed();
}

void StationTotals::restartPace()
{
    recent.clear();
    countingSince = clock();
    emit changed();
}

void StationTotals::dropOlderThanWindow(const QDateTime& now) const
{
    const QDateTime windowStart = now.addMSecs(-std::chrono::milliseconds(factoryTiming.rateWindow).count());
    while (!recent.empty() && recent.front() <= windowStart)
        recent.pop_front();
}

double StationTotals::chipsPerHour() const
{
    using namespace std::chrono;
    const QDateTime now = clock();
    dropOlderThanWindow(now);
    const qint64 windowMs = milliseconds(factoryTiming.rateWindow).count();
    const qint64 minimumMs = milliseconds(minutes(1)).count();
    const qint64 spanMs = std::max(std::min(windowMs, countingSince.msecsTo(now)), std::min(minimumMs, windowMs));
    const auto inWindow = std::count_if(recent.begin(), recent.end(), [&](const QDateTime& at) { return at <= now; });
    return spanMs <= 0 ? 0.0 : double(inWindow) * double(milliseconds(hours(1)).count()) / double(spanMs);
}
