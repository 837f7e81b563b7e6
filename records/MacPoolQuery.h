#pragma once

#include "MacRange.h"

#include <QList>
#include <QString>

class RecordStore;

// What the records say of each MAC pool: how many chips it can serve, how
// many addresses went into chips, and which are reserved (a PC's block, an
// attempt still running, a program that ended without giving them back)
// without any chip's attempt carrying them.
class MacPoolQuery {
public:
    // Consecutive chip bases reserved by one host, none of them seen on a chip.
    struct ReservedRun {
        QString host;
        quint64 first = 0;
        quint64 last = 0;
        qint64 chips = 0;
    };

    struct PoolFigures {
        MacRange range;
        qint64 chips = 0;
        qint64 used = 0;
        qint64 reserved = 0;
        qint64 free = 0;
        QList<ReservedRun> reservedRuns;
    };

    explicit MacPoolQuery(RecordStore& store)
        : store(store)
    { }

    bool pools(QList<PoolFigures>& figures);
    QString lastError() const { return error; }

private:
    bool figuresOf(PoolFigures& pool);

    RecordStore& store;
    QString error;
};
