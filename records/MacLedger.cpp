#include "MacLedger.h"

#include "AttemptRow.h"
#include "RecordStore.h"

#include <QSqlError>
#include <QSqlQuery>

namespace {

QString now()
{
    return AttemptRow::timeText(QDateTime::currentDateTimeUtc());
}

bool exec(QSqlQuery& query, const QString& statement, const QVariantList& binds)
{
    if (!query.prepare(statement))
        return false;
    for (const QVariant& value : binds)
        query.addBindValue(value);
    return query.exec();
}

QVariant number(quint64 value)
{
    return QVariant(qlonglong(value));
}

// A null QString binds as SQL NULL; the text columns hold '' instead.
QVariant text(const QString& value)
{
    return value.isNull() ? QStringLiteral("") : value;
}

// A new row for the base; one already there is left as it is (numRowsAffected tells).
bool insertNew(
    QSqlQuery& query, const MacRange& pool, quint64 base, const MacLedger::Holding& holding, const QString& stamp)
{
    return exec(query,
        QStringLiteral("INSERT INTO mac_addresses (base, chip_id, pool, state, holder, host, program, station,"
                       " changed_at) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT (base) DO NOTHING"),
        { number(base), MacAddress(base).text(), pool.text(), holding.state, text(holding.holder), text(holding.host),
            text(holding.program), text(holding.station), stamp });
}

} // namespace

bool MacLedger::fail(const QSqlQuery& query)
{
    error = query.lastError().text();
    if (error.trimmed().isEmpty())
        error = store.database().lastError().text();
    return false;
}

bool MacLedger::begin()
{
    QSqlDatabase& db = store.database();
    if (store.dialect() == RecordSchema::Dialect::Sqlite) {
        // IMMEDIATE: the write lock at once, before anything is read.
        QSqlQuery query(db);
        return query.exec(QStringLiteral("BEGIN IMMEDIATE")) || fail(query);
    }
    if (!db.transaction()) {
        error = db.lastError().text();
        return false;
    }
    return true;
}

bool MacLedger::commit()
{
    if (store.database().commit())
        return true;
    error = store.database().lastError().text();
    rollback();
    return false;
}

void MacLedger::rollback()
{
    store.database().rollback();
}

bool MacLedger::setUp(const MacRange& pool)
{
    if (!begin())
        return false;
    QSqlQuery query(store.database());
    // Two programs setting up overlapping pools at once must not both pass the check.
    if (store.dialect() == RecordSchema::Dialect::Postgres
        && !query.exec(QStringLiteral("SELECT pg_advisory_xact_lock(7406153)"))) {
        fail(query);
        rollback();
        return false;
    }
    const QVariantList values { pool.text(), number(pool.first.value()), number(pool.last.value()), pool.macsPerChip,
        number(pool.firstBase()) };
    if (!exec(query,
            QStringLiteral("INSERT INTO mac_pools (pool, first_mac, last_mac, macs_per_chip, next_base)"
                           " VALUES (?, ?, ?, ?, ?) ON CONFLICT (pool) DO NOTHING"),
            values)
        || !exec(query, QStringLiteral("SELECT macs_per_chip FROM mac_pools WHERE pool = ?"), { pool.text() })
        || !query.next()) {
        fail(query);
        rollback();
        return false;
    }
    const int macsPerChip = query.value(0).toInt();
    if (macsPerChip != pool.macsPerChip) {
        rollback();
        error = QStringLiteral("the MAC pool %1 gives %2 addresses to a chip, not %3")
                    .arg(pool.text())
                    .arg(macsPerChip)
                    .arg(pool.macsPerChip);
        return false;
    }
    if (!exec(query,
            QStringLiteral("SELECT pool FROM mac_pools WHERE pool <> ? AND first_mac <= ? AND last_mac >= ? LIMIT 1"),
            { pool.text(), number(pool.last.value()), number(pool.first.value()) })) {
        fail(query);
        rollback();
        return false;
    }
    if (query.next()) {
        error = QStringLiteral("the MAC pool %1 overlaps the pool %2 already in the records")
                    .arg(pool.text(), query.value(0).toString());
        rollback();
        return false;
    }
    query.finish();
    return commit();
}

// Under the transaction's lock: on the server the pool's row itself is
// locked, so that two PCs reserving at once wait for each other.
bool MacLedger::readNextBase(const MacRange& pool, quint64& nextBase)
{
    QSqlQuery query(store.database());
    const QString lock = store.dialect() == RecordSchema::Dialect::Postgres ? QStringLiteral(" FOR UPDATE") : QString();
    if (!exec(query, QStringLiteral("SELECT next_base FROM mac_pools WHERE pool = ?") + lock, { pool.text() }))
        return fail(query);
    if (!query.next()) {
        error = QStringLiteral("the MAC pool %1 is not in the records").arg(pool.text());
        return false;
    }
    nextBase = quint64(query.value(0).toLongLong());
    return true;
}

bool MacLedger::takeFromPool(const MacRange& pool, int count, const Holding& holding, QList<quint64>& bases)
{
    bases.clear();
    if (!begin())
        return false;
    quint64 next = 0;
    QSqlQuery query(store.database());
    const auto abandon = [&] {
        if (error.isEmpty())
            fail(query);
        rollback();
        bases.clear();
        return false;
    };
    error.clear();
    if (!readNextBase(pool, next))
        return abandon();
    if (!exec(query,
            QStringLiteral("SELECT base FROM mac_addresses WHERE pool = ? AND state = 'free' ORDER BY base LIMIT ?"),
            { pool.text(), count }))
        return abandon();
    while (query.next())
        bases << quint64(query.value(0).toLongLong());
    const QString stamp = now();
    for (const quint64 base : std::as_const(bases)) {
        if (!exec(query,
                QStringLiteral("UPDATE mac_addresses SET state = ?, holder = ?, host = ?, program = ?, station = ?,"
                               " changed_at = ?, synced = 1 WHERE base = ?"),
                { holding.state, text(holding.holder), text(holding.host), text(holding.program), text(holding.station),
                    stamp, number(base) }))
            return abandon();
    }
    const quint64 step = quint64(pool.macsPerChip);
    const quint64 nextBefore = next;
    // A base claimed by a chip that already carried it is passed over.
    for (; bases.size() < count && pool.chipCount() > 0 && next <= pool.lastBase(); next += step) {
        if (!insertNew(query, pool, next, holding, stamp))
            return abandon();
        if (query.numRowsAffected() > 0)
            bases << next;
    }
    if (next != nextBefore
        && !exec(
            query, QStringLiteral("UPDATE mac_pools SET next_base = ? WHERE pool = ?"), { number(next), pool.text() }))
        return abandon();
    query.finish();
    if (!commit()) {
        bases.clear();
        return false;
    }
    return true;
}

bool MacLedger::addHeld(const MacRange& pool, const QList<quint64>& bases, const Holding& holding)
{
    if (!begin())
        return false;
    QSqlQuery query(store.database());
    const QString stamp = now();
    for (const quint64 base : bases) {
        if (!insertNew(query, pool, base, holding, stamp)) {
            fail(query);
            rollback();
            return false;
        }
    }
    query.finish();
    return commit();
}

bool MacLedger::takeLowest(
    const MacRange& pool, const QString& from, const Holding& holding, quint64& base, bool& found)
{
    found = false;
    if (!begin())
        return false;
    QSqlQuery query(store.database());
    if (!exec(query, QStringLiteral("SELECT MIN(base) FROM mac_addresses WHERE pool = ? AND state = ?"),
            { pool.text(), from })
        || !query.next()) {
        fail(query);
        rollback();
        return false;
    }
    if (!query.value(0).isNull()) {
        base = quint64(query.value(0).toLongLong());
        if (!exec(query,
                QStringLiteral("UPDATE mac_addresses SET state = ?, host = ?, program = ?, station = ?, changed_at = ?"
                               " WHERE base = ?"),
                { holding.state, text(holding.host), text(holding.program), text(holding.station), now(),
                    number(base) })) {
            fail(query);
            rollback();
            return false;
        }
        found = true;
    }
    query.finish();
    if (!commit()) {
        found = false;
        return false;
    }
    return true;
}

bool MacLedger::claim(const MacRange& pool, quint64 base, const Holding& holding, bool synced)
{
    QSqlQuery query(store.database());
    return exec(query,
               QStringLiteral("INSERT INTO mac_addresses (base, chip_id, pool, state, holder, host, program, station,"
                              " changed_at, synced) VALUES (?, ?, ?, 'used', '', ?, ?, ?, ?, ?)"
                              " ON CONFLICT (base) DO UPDATE SET state = 'used', synced = excluded.synced,"
                              " changed_at = excluded.changed_at WHERE mac_addresses.state = 'free'"),
               { number(base), MacAddress(base).text(), pool.text(), text(holding.host), text(holding.program),
                   text(holding.station), now(), synced ? 1 : 0 })
        || fail(query);
}

bool MacLedger::move(quint64 base, const QString& from, const QString& to, bool synced)
{
    QSqlQuery query(store.database());
    return exec(query,
               QStringLiteral(
                   "UPDATE mac_addresses SET state = ?, synced = ?, changed_at = ? WHERE base = ? AND state = ?"),
               { to, synced ? 1 : 0, now(), number(base), from })
        || fail(query);
}

bool MacLedger::moveAll(const MacRange& pool, const QString& from, const QString& to)
{
    QSqlQuery query(store.database());
    return exec(query, QStringLiteral("UPDATE mac_addresses SET state = ? WHERE pool = ? AND state = ?"),
               { to, pool.text(), from })
        || fail(query);
}

bool MacLedger::remove(quint64 base, const QString& state)
{
    QSqlQuery query(store.database());
    return exec(
               query, QStringLiteral("DELETE FROM mac_addresses WHERE base = ? AND state = ?"), { number(base), state })
        || fail(query);
}

bool MacLedger::markSynced(quint64 base)
{
    QSqlQuery query(store.database());
    return exec(query, QStringLiteral("UPDATE mac_addresses SET synced = 1 WHERE base = ?"), { number(base) })
        || fail(query);
}

bool MacLedger::rowsInState(const MacRange& pool, const QString& state, bool unsyncedOnly, QList<Row>& rows)
{
    QSqlQuery query(store.database());
    query.setForwardOnly(true);
    const QString condition = unsyncedOnly ? QStringLiteral(" AND synced = 0") : QString();
    if (!exec(query,
            QStringLiteral("SELECT base, holder, host, program, station FROM mac_addresses"
                           " WHERE pool = ? AND state = ?%1 ORDER BY base")
                .arg(condition),
            { pool.text(), state }))
        return fail(query);
    while (query.next())
        rows << Row { quint64(query.value(0).toLongLong()), query.value(1).toString(), query.value(2).toString(),
            query.value(3).toString(), query.value(4).toString() };
    return true;
}

bool MacLedger::countInState(const MacRange& pool, const QString& state, qint64& count)
{
    QSqlQuery query(store.database());
    if (!exec(query, QStringLiteral("SELECT COUNT(*) FROM mac_addresses WHERE pool = ? AND state = ?"),
            { pool.text(), state })
        || !query.next())
        return fail(query);
    count = query.value(0).toLongLong();
    return true;
}

bool MacLedger::freeCount(const MacRange& pool, qint64& count)
{
    qint64 cameBack = 0;
    if (!countInState(pool, QStringLiteral("free"), cameBack))
        return false;
    QSqlQuery query(store.database());
    if (!exec(query, QStringLiteral("SELECT next_base FROM mac_pools WHERE pool = ?"), { pool.text() }))
        return fail(query);
    quint64 next = pool.firstBase();
    if (query.next())
        next = quint64(query.value(0).toLongLong());
    const qint64 neverHanded = pool.chipCount() > 0 && next <= pool.lastBase()
        ? qint64((pool.lastBase() - next) / quint64(pool.macsPerChip) + 1)
        : 0;
    count = cameBack + neverHanded;
    return true;
}

bool MacLedger::serverMarkUsed(const MacRange& pool, const QList<Row>& rows)
{
    error.clear();
    if (!begin())
        return false;
    QSqlQuery query(store.database());
    for (const Row& row : rows) {
        const bool done = row.holder.isEmpty()
            ? claim(pool, row.base, { QString(), QString(), row.host, row.program, row.station })
            : exec(query,
                QStringLiteral("UPDATE mac_addresses SET state = 'used', host = ?, program = ?, station = ?,"
                               " changed_at = ? WHERE base = ? AND holder = ? AND state = 'held'"),
                { text(row.host), text(row.program), text(row.station), now(), number(row.base), row.holder });
        if (!done) {
            if (error.isEmpty())
                fail(query);
            rollback();
            return false;
        }
    }
    query.finish();
    return commit();
}

bool MacLedger::serverGiveBack(const QList<Row>& rows)
{
    if (!begin())
        return false;
    QSqlQuery query(store.database());
    for (const Row& row : rows) {
        if (!exec(query,
                QStringLiteral("UPDATE mac_addresses SET state = 'free', holder = '', changed_at = ?"
                               " WHERE base = ? AND holder = ? AND state = 'held'"),
                { now(), number(row.base), row.holder })) {
            fail(query);
            rollback();
            return false;
        }
    }
    query.finish();
    return commit();
}
