#include "MacPoolQuery.h"

#include "RecordStore.h"

#include <QSqlError>
#include <QSqlQuery>

namespace {

// An address counts as a chip's once an attempt of that chip is in the
// records, even while the PC that used it has yet to tell the server so.
const char* const onAChip = "EXISTS (SELECT 1 FROM chip_attempts a WHERE a.chip_id = m.chip_id)";

} // namespace

bool MacPoolQuery::pools(QList<PoolFigures>& figures)
{
    QSqlQuery query(store.database());
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT first_mac, last_mac, macs_per_chip FROM mac_pools ORDER BY first_mac"))) {
        error = query.lastError().text();
        return false;
    }
    while (query.next()) {
        PoolFigures pool;
        pool.range.first = MacAddress(quint64(query.value(0).toLongLong()));
        pool.range.last = MacAddress(quint64(query.value(1).toLongLong()));
        pool.range.macsPerChip = query.value(2).toInt();
        figures << pool;
    }
    for (PoolFigures& pool : figures) {
        if (!figuresOf(pool))
            return false;
    }
    return true;
}

bool MacPoolQuery::figuresOf(PoolFigures& pool)
{
    QSqlQuery query(store.database());
    query.setForwardOnly(true);
    query.prepare(QStringLiteral(
        "SELECT COUNT(*) FROM mac_addresses m WHERE pool = ? AND (state = 'used' OR (state <> 'free' AND %1))")
                      .arg(QLatin1String(onAChip)));
    query.addBindValue(pool.range.text());
    if (!query.exec() || !query.next()) {
        error = query.lastError().text();
        return false;
    }
    pool.used = query.value(0).toLongLong();

    query.prepare(
        QStringLiteral("SELECT base, host FROM mac_addresses m WHERE pool = ? AND state NOT IN ('used', 'free')"
                       " AND NOT %1 ORDER BY host, base")
            .arg(QLatin1String(onAChip)));
    query.addBindValue(pool.range.text());
    if (!query.exec()) {
        error = query.lastError().text();
        return false;
    }
    const quint64 step = quint64(pool.range.macsPerChip);
    while (query.next()) {
        const quint64 base = quint64(query.value(0).toLongLong());
        const QString host = query.value(1).toString();
        if (!pool.reservedRuns.isEmpty() && pool.reservedRuns.last().host == host
            && pool.reservedRuns.last().last + step == base) {
            pool.reservedRuns.last().last = base;
            ++pool.reservedRuns.last().chips;
        } else {
            pool.reservedRuns << ReservedRun { host, base, base, 1 };
        }
        ++pool.reserved;
    }
    pool.chips = pool.range.chipCount();
    pool.free = pool.chips - pool.used - pool.reserved;
    return true;
}
