#pragma once

#include "ShiftClock.h"

#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <deque>

class AttemptRow;

// What the Shift panel shows of a shift, folded from its attempts one by one
// as they are read: per station its attempts and its passes and failures per
// hour, and the latest attempts for the table. A shift of any length takes
// the same memory; only its stations and hours add to it.
class ShiftSummary {
public:
    static constexpr int latestKept = 500;

    struct Attempt {
        QDateTime startedAt; // UTC
        QString station; // stationKey
        QString port;
        QString result;
        QString reason;
    };

    ShiftSummary() = default;
    explicit ShiftSummary(const QDateTime& shiftStart);

    // Rows come in the order they started.
    void add(const AttemptRow& row);

    // Their stationKeys, sorted.
    QStringList stations() const { return byStation.keys(); }
    QString portOf(const QString& station) const { return byStation.value(station).port; }
    // station empty: all stations.
    int attempts(const QString& station) const;
    // One entry per hour from the shift's start up to now's hour.
    QList<ShiftHour> perHour(const QDateTime& now, const QString& station) const;
    // Newest first, at most latestKept.
    QList<Attempt> latest(const QString& station) const;

private:
    struct Counts {
        int passed = 0;
        int failed = 0;
    };
    struct Station {
        QString port;
        int attempts = 0;
        QMap<qint64, Counts> hours; // by hours since the shift's first hour
        std::deque<Attempt> latest; // oldest first
    };
    static void keep(std::deque<Attempt>& latest, const Attempt& attempt);

    QDateTime firstHour; // local
    QMap<QString, Station> byStation;
    std::deque<Attempt> latestOfAll; // oldest first
};
