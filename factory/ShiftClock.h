#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QTime>

#include <chrono>

// When the factory's shifts begin, and how often the panel reads the records.
struct ShiftSchedule {
    using ms = std::chrono::milliseconds;

    QList<QTime> starts { QTime(6, 0), QTime(14, 0), QTime(22, 0) }; // local times, any order
    ms refreshInterval { 15000 }; // the panel reads the records again this often
};

// One hour of a shift: its passes and failures.
struct ShiftHour {
    QDateTime begin; // local
    int passed = 0;
    int failed = 0;
};

class AttemptRow;

// The shift's arithmetic, apart from any widget.
class ShiftClock {
public:
    // The start of the shift that "now" (local time) falls in.
    static QDateTime shiftStart(const QDateTime& now, const ShiftSchedule& schedule);
    // A station is a port of one PC: "host/port".
    static QString stationKey(const AttemptRow& row);
};
