#pragma once

#include <QMetaType>
#include <QString>

// One station's chips (not attempts): a chip that passes on its retry is one pass.
struct StationCounters {
    int total = 0;
    int pass = 0;
    int fail = 0;

    // Whole percent, truncated, as the flash-test window shows it; 0 without chips.
    int fpyPercent() const { return total == 0 ? 0 : pass * 100 / total; }
    void count(bool passed)
    {
        ++total;
        ++(passed ? pass : fail);
    }
    bool operator==(const StationCounters& other) const
    {
        return total == other.total && pass == other.pass && fail == other.fail;
    }
};

Q_DECLARE_METATYPE(StationCounters)
