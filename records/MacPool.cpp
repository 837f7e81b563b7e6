#include "MacPool.h"

#include <QUuid>

namespace {

const QString reservedState = QStringLiteral("reserved");
const QString heldState = QStringLiteral("held");
const QString usedState = QStringLiteral("used");
const QString freeState = QStringLiteral("free");
const QString returningState = QStringLiteral("returning");

} // namespace

MacPool::MacPool(const RecordLocation& location, const MacRange& range, const Owner& owner, const RecordTiming& timing)
    : location(location)
    , range(range)
    , owner(owner)
    , timing(timing)
{ }

MacPool::~MacPool() = default;

MacLedger::Holding MacPool::holding(const QString& state) const
{
    return MacLedger::Holding { state, QString(), owner.host, owner.program, owner.station };
}

QString MacPool::pulledBy(const QString& why) const
{
    return QStringLiteral("the MAC pool %1 cannot be reached: %2").arg(range.text(), why);
}

QString MacPool::usedUp() const
{
    return QStringLiteral("the MAC pool %1 is used up").arg(range.text());
}

bool MacPool::openLocal(QString& why)
{
    if (local && local->isOpen())
        return true;
    local = std::make_unique<RecordStore>();
    if (!local->openLocal(location.sqlitePath, timing)) {
        why = pulledBy(local->lastError());
        local.reset();
        return false;
    }
    // With the line's server the pool itself lives there; the local file only keeps this PC's blocks.
    if (!location.server) {
        MacLedger ledger(*local);
        if (!ledger.setUp(range)) {
            why = ledger.lastError();
            local.reset();
            return false;
        }
    }
    return true;
}

// A server that just refused is not asked again for a while: each chip
// would otherwise wait for a connection time-out.
bool MacPool::openServer(QString& why)
{
    if (server && server->isOpen())
        return true;
    if (sinceServerFailed.isValid() && sinceServerFailed.elapsed() < timing.reconnectPause.count()) {
        why = QStringLiteral("the records server was not reached a moment ago");
        return false;
    }
    server = std::make_unique<RecordStore>();
    MacLedger ledger(*server);
    if (!server->openServer(location, timing) || !ledger.setUp(range)) {
        why = server->isOpen() ? ledger.lastError() : server->lastError();
        server.reset();
        sinceServerFailed.start();
        return false;
    }
    sinceServerFailed.invalidate();
    return true;
}

QString MacPool::check()
{
    RecordStore store;
    if (!location.server) {
        if (!store.openLocal(location.sqlitePath, timing))
            return pulledBy(store.lastError());
        MacLedger ledger(store);
        qint64 free = 0;
        if (!ledger.setUp(range) || !ledger.freeCount(range, free))
            return ledger.lastError();
        return free > 0 ? QString() : usedUp();
    }
    qint64 held = 0;
    if (store.openLocal(location.sqlitePath, timing))
        MacLedger(store).countInState(range, heldState, held);
    RecordStore onServer;
    if (!onServer.openServer(location, timing)) {
        if (held > 0)
            return QString();
        return QStringLiteral("this PC holds no addresses of the MAC pool %1 and the records server cannot be "
                              "reached: %2")
            .arg(range.text(), onServer.lastError());
    }
    MacLedger ledger(onServer);
    qint64 free = 0;
    if (!ledger.setUp(range) || !ledger.freeCount(range, free))
        return ledger.lastError();
    return free + held > 0 ? QString() : usedUp();
}

bool MacPool::take(MacAddress& base, QString& why)
{
    if (!openLocal(why))
        return false;
    MacLedger ledger(*local);
    if (!location.server) {
        QList<quint64> taken;
        if (!ledger.takeFromPool(range, 1, holding(reservedState), taken)) {
            why = pulledBy(ledger.lastError());
            return false;
        }
        if (taken.isEmpty()) {
            why = usedUp();
            return false;
        }
        base = MacAddress(taken.first());
        return true;
    }
    for (int round = 0; round < 2; ++round) {
        quint64 value = 0;
        bool found = false;
        if (!ledger.takeLowest(range, heldState, holding(reservedState), value, found)) {
            why = pulledBy(ledger.lastError());
            return false;
        }
        if (found) {
            base = MacAddress(value);
            return true;
        }
        if (round == 0 && !reserveBlock(why))
            return false;
    }
    why = usedUp();
    return false;
}

// The server's rows of a new block are "held" by it first, and only then
// kept in the local file: a crash between the two leaves addresses that
// nobody hands out (the pool report shows them), never one handed out twice.
bool MacPool::reserveBlock(QString& why)
{
    MacLedger::Holding block = holding(heldState);
    block.holder = QUuid::createUuid().toString(QUuid::WithoutBraces);
    QList<quint64> bases;
    // A connection the server dropped (a restart) fails its first statement: a new one gets a second try.
    for (int attempt = 0;; ++attempt) {
        const bool wasOpen = server && server->isOpen();
        QString serverWhy;
        if (!openServer(serverWhy)) {
            why = QStringLiteral("this PC has used the addresses it held of the MAC pool %1 and the records server "
                                 "cannot be reached: %2")
                      .arg(range.text(), serverWhy);
            return false;
        }
        MacLedger onServer(*server);
        if (onServer.takeFromPool(range, location.macBlockChips, block, bases))
            break;
        server.reset();
        if (!wasOpen || attempt > 0) {
            why = pulledBy(onServer.lastError());
            return false;
        }
    }
    if (bases.isEmpty()) {
        why = usedUp();
        return false;
    }
    MacLedger ledger(*local);
    if (!ledger.addHeld(range, bases, block)) {
        why = pulledBy(ledger.lastError());
        return false;
    }
    return true;
}

bool MacPool::keep(MacAddress base, QString& why)
{
    if (!openLocal(why))
        return false;
    MacLedger ledger(*local);
    if (!ledger.move(base.value(), reservedState, usedState, !location.server)) {
        why = pulledBy(ledger.lastError());
        return false;
    }
    return true;
}

// With the line's server a base of this PC's own block is simply used; any
// other is kept in the local file until the server is told at a job's end.
bool MacPool::claim(MacAddress base, QString& why)
{
    if (!openLocal(why))
        return false;
    MacLedger ledger(*local);
    const bool synced = !location.server;
    if ((location.server && !ledger.move(base.value(), heldState, usedState, false))
        || !ledger.claim(range, base.value(), holding(usedState), synced)) {
        why = pulledBy(ledger.lastError());
        return false;
    }
    return true;
}

void MacPool::giveBack(MacAddress base)
{
    QString why;
    if (!openLocal(why))
        return; // it stays reserved: never handed out again, shown as reserved but unused
    MacLedger(*local).move(base.value(), reservedState, location.server ? heldState : freeState);
}

void MacPool::jobEnded()
{
    // A fresh connection: one opened during the job may have been dropped by a server restart since.
    server.reset();
    sinceServerFailed.invalidate();
    if (location.server && local)
        settleWithServer();
    local.reset();
    server.reset();
}

// Nothing is given back while the server cannot be reached: the addresses
// stay this PC's, for its next job. What is given back is marked so in the
// local file first, so that no station of this PC hands it out meanwhile.
void MacPool::settleWithServer()
{
    QString why;
    if (!openServer(why))
        return;
    MacLedger ledger(*local);
    MacLedger onServer(*server);
    QList<MacLedger::Row> used;
    if (ledger.rowsInState(range, usedState, true, used) && onServer.serverMarkUsed(range, used)) {
        for (const MacLedger::Row& row : std::as_const(used))
            ledger.markSynced(row.base);
    }
    QList<MacLedger::Row> unused;
    if (!ledger.moveAll(range, heldState, returningState) || !ledger.rowsInState(range, returningState, false, unused))
        return;
    if (!onServer.serverGiveBack(unused))
        return; // still marked returning: given back at the next job's end
    for (const MacLedger::Row& row : std::as_const(unused))
        ledger.remove(row.base, returningState);
}
