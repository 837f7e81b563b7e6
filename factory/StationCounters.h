#pragma once

#include <QMetaType>
#include <QString>

// One station's chips (not attempts): a chip that passes on its retry is one
// pass, but not a first pass.
struct StationCounters {
    int total = 0;
    int pass = 0;
    int fail = 0;
    int firstPass = 0; // chips that passed at their first attempt

    // First-pass yield in whole percent, truncated; 0 without chips.
    int fpyPercent() const { return total == 0 ? 0 : firstPass * 100 / total; }
    void count(bool passed, bool atFirstAttempt)
    {
        ++total;
        ++(passed ? pass : fail);
        if (passed && atFirstAttempt)
            ++firstPass;
    }
    StationCounters& operator+=(const StationCounters& other)
    {
        total += other.total;
        pass += other.pass;
        fail += other.fail;
        firstPass += other.firstPass;
        return *this;
    }
    bool operator==(const StationCounters& other) const
    {
        return total == other.total && pass == other.pass && fail == other.fail && firstPass == other.firstPass;
    }
};

Q_DECLARE_METATYPE(StationCounters)
