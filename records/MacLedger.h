#pragma once

#include "MacRange.h"

#include <QList>
#include <QString>
#include <QStringList>

class QSqlQuery;
class RecordStore;

// The MAC pools' tables over one open record store (the local file or the
// line's server). Every change that reads before it writes is one
// transaction, so that programs and stations taking addresses at once never
// get the same one.
class MacLedger {
public:
    // Who takes or holds a base, written beside it.
    struct Holding {
        QString state; // "reserved", "held", ...
        QString holder; // the block that holds it, with the line's server
        QString host;
        QString program;
        QString station;
    };

    struct Row {
        quint64 base = 0;
        QString holder;
        QString host;
        QString program;
        QString station;
    };

    explicit MacLedger(RecordStore& store)
        : store(store)
    { }

    // The pool in the ledger as the range says. Refused when it overlaps
    // another pool, or was set up with another count of addresses per chip.
    bool setUp(const MacRange& pool);
    // Up to count bases out of the pool, now in the holding's state: those
    // that came back first, lowest first, then those never handed out, in
    // order. Fewer, or none, when the pool runs out.
    bool takeFromPool(const MacRange& pool, int count, const Holding& holding, QList<quint64>& bases);
    // Bases that a block on the line's server holds, kept in the local file.
    bool addHeld(const MacRange& pool, const QList<quint64>& bases, const Holding& holding);
    // The lowest base of the pool in state from, now in the holding's state;
    // found is false when there is none.
    bool takeLowest(const MacRange& pool, const QString& from, const Holding& holding, quint64& base, bool& found);
    // A base a chip already carries, used from now on: one the pool has not
    // handed out, or one that came back to it. One held by a block or reserved
    // for an attempt stays so (only that PC or attempt can give it up).
    bool claim(const MacRange& pool, quint64 base, const Holding& holding, bool synced = true);
    // A base from one state to another; nothing changes unless it is in from.
    // synced false: the line's server has yet to learn of the change.
    bool move(quint64 base, const QString& from, const QString& to, bool synced = true);
    bool moveAll(const MacRange& pool, const QString& from, const QString& to);
    bool remove(quint64 base, const QString& state);
    bool markSynced(quint64 base);

    // The pool's rows in a state, lowest first; unsynced: only those the
    // line's server has yet to learn of.
    bool rowsInState(const MacRange& pool, const QString& state, bool unsyncedOnly, QList<Row>& rows);
    // Chips the pool can still give an address to: bases that came back, and those never handed out.
    bool freeCount(const MacRange& pool, qint64& count);
    bool countInState(const MacRange& pool, const QString& state, qint64& count);

    // On the line's server, for the rows of a PC's blocks: used by a chip,
    // or given back to the pool; a base no longer held by its block is left
    // alone. A row of no block is one a chip already carried: claimed.
    bool serverMarkUsed(const MacRange& pool, const QList<Row>& rows);
    bool serverGiveBack(const QList<Row>& rows);

    QString lastError() const { return error; }

private:
    bool fail(const QSqlQuery& query);
    bool begin();
    bool commit();
    void rollback();
    bool readNextBase(const MacRange& pool, quint64& nextBase);

    RecordStore& store;
    QString error;
};
