#pragma once

#include "MacAllocator.h"
#include "MacLedger.h"
#include "MacRange.h"
#include "RecordLocation.h"
#include "RecordStore.h"
#include "RecordTiming.h"

#include <QElapsedTimer>
#include <QString>

#include <memory>

// A worker's MAC addresses out of a pool kept with the production records.
// With the local file alone every program and station of the PC takes one
// address at a time from it, in order. With the line's server the PC holds a
// block of addresses at a time, reserved on the server and kept in the local
// file: it hands out only what its blocks hold, so it goes on while the
// server is away, and it gives back what it did not use when a job ends.
// Used on one thread at a time: check() on the front end's, the rest on the
// worker's, each with connections of its own.
class MacPool : public MacAllocator {
public:
    struct Owner {
        QString host;
        QString program;
        QString station;
    };

    MacPool(const RecordLocation& location, const MacRange& range, const Owner& owner,
        const RecordTiming& timing = RecordTiming());
    ~MacPool() override;

    // Before a start: the pool set up in the records and an address to be had
    // for the first chip. Empty, or the one line why not.
    QString check();

    bool take(MacAddress& base, QString& why) override;
    bool keep(MacAddress base, QString& why) override;
    bool claim(MacAddress base, QString& why) override;
    void giveBack(MacAddress base) override;
    void jobEnded() override;

private:
    bool openLocal(QString& why);
    bool openServer(QString& why);
    bool reserveBlock(QString& why);
    // What the server has yet to learn: the bases this PC used, and those it gives back.
    void settleWithServer();
    MacLedger::Holding holding(const QString& state) const;
    QString pulledBy(const QString& why) const;
    QString usedUp() const;

    RecordLocation location;
    MacRange range;
    Owner owner;
    RecordTiming timing;
    std::unique_ptr<RecordStore> local;
    std::unique_ptr<RecordStore> server;
    QElapsedTimer sinceServerFailed;
    bool poolSetUp = false;
};
