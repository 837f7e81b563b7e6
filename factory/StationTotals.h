#pragma once

#include "FactoryTiming.h"
#include "StationCounters.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QPointer>

#include <deque>
#include <functional>

class Station;

// All stations together: their chips are the sum of the stations' counters
// (whatever stations there are now), and the pace is chips per hour over the
// last rateWindow, fed by each station's chipCounted.
class StationTotals : public QObject {
    Q_OBJECT

public:
    explicit StationTotals(QObject* parent = nullptr);

    void setTiming(const FactoryTiming& timing) { factoryTiming = timing; }
    // Tests drive the time; the default is the system clock in UTC.
    void setClock(std::function<QDateTime()> clock);

    void watch(Station* station);
    void addToPace(const QDateTime& atUtc);
    // The pace is measured from now on.
    void restartPace();

    StationCounters counters() const;
    // Over the window, or over the time since counting began while that is
    // shorter (at least a minute), so that the first minutes of a shift are
    // not shown slower than they run.
    double chipsPerHour() const;

signals:
    void changed();

private:
    void dropOlderThanWindow(const QDateTime& now) const;

    FactoryTiming factoryTiming;
    std::function<QDateTime()> clock;
    QDateTime countingSince;
    QList<QPointer<Station>> stations;
    mutable std::deque<QDateTime> recent; // the chips' times, oldest first
};
