#include "RecordSchema.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

#include <algorithm>

namespace {

QStringList chipColumns();

QString attemptColumns(RecordSchema::Dialect dialect)
{
    const bool pg = dialect == RecordSchema::Dialect::Postgres;
    const QString time = pg ? QStringLiteral("TIMESTAMPTZ(3)") : QStringLiteral("TEXT");
    const QString big = pg ? QStringLiteral("BIGINT") : QStringLiteral("INTEGER");
    return QStringLiteral("id %1 PRIMARY KEY,"
                          " started_at %2 NOT NULL,"
                          " finished_at %2,"
                          " duration_ms %3,"
                          " host TEXT NOT NULL DEFAULT '',"
                          " program TEXT NOT NULL DEFAULT '',"
                          " program_version TEXT NOT NULL DEFAULT '',"
                          " station TEXT NOT NULL DEFAULT '',"
                          " station_label TEXT NOT NULL DEFAULT '',"
                          " port_serial TEXT NOT NULL DEFAULT '',"
                          " port_location TEXT NOT NULL DEFAULT '',"
                          " image_path TEXT NOT NULL DEFAULT '',"
                          " image_size %3,"
                          " image_crc32 TEXT NOT NULL DEFAULT '',"
                          " download_addr TEXT NOT NULL DEFAULT '',"
                          " flash_size TEXT NOT NULL DEFAULT '',"
                          " baud INTEGER,"
                          " result TEXT NOT NULL,"
                          " failed_step TEXT NOT NULL DEFAULT '',"
                          " reason TEXT NOT NULL DEFAULT '',"
                          " transfer_ms %3,"
                          " %4")
        .arg(pg ? QStringLiteral("UUID") : QStringLiteral("TEXT"), time, big, chipColumns().join(QStringLiteral(",")));
}

// Added in version 2: which chip an attempt was at, and for which work order.
QStringList chipColumns()
{
    return { QStringLiteral("chip_id TEXT NOT NULL DEFAULT ''"),
        QStringLiteral("chip_attempt INTEGER NOT NULL DEFAULT 1"),
        QStringLiteral("work_order TEXT NOT NULL DEFAULT ''") };
}

// Added in version 4: the MAC address pools and every chip address handed
// out of them. A pool's name is its range; next_base is its lowest base never
// handed out. A base is "reserved" for an attempt, "used" once it may have
// reached a chip, "free" when it came back; with the line's server a PC's
// block of bases is "held" by the block, and the local file marks what it
// gives back "returning" until the server has taken it.
QStringList poolTables(RecordSchema::Dialect dialect)
{
    const bool pg = dialect == RecordSchema::Dialect::Postgres;
    const QString time = pg ? QStringLiteral("TIMESTAMPTZ(3)") : QStringLiteral("TEXT");
    return {
        QStringLiteral("CREATE TABLE IF NOT EXISTS mac_pools (pool TEXT PRIMARY KEY, first_mac BIGINT NOT NULL,"
                       " last_mac BIGINT NOT NULL, macs_per_chip INTEGER NOT NULL, next_base BIGINT NOT NULL)"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS mac_addresses (base BIGINT PRIMARY KEY, chip_id TEXT NOT NULL,"
                       " pool TEXT NOT NULL, state TEXT NOT NULL, holder TEXT NOT NULL DEFAULT '',"
                       " host TEXT NOT NULL DEFAULT '', program TEXT NOT NULL DEFAULT '',"
                       " station TEXT NOT NULL DEFAULT '', changed_at %1, synced INTEGER NOT NULL DEFAULT 1)")
            .arg(time),
        QStringLiteral("CREATE INDEX IF NOT EXISTS mac_addresses_state ON mac_addresses (pool, state, base)"),
    };
}

QStringList attemptTables(RecordSchema::Dialect dialect)
{
    if (dialect == RecordSchema::Dialect::Sqlite)
        return { QStringLiteral("chip_attempts"), QStringLiteral("outbox") };
    return { QStringLiteral("chip_attempts") };
}

int storedVersion(QSqlDatabase& db)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT MAX(version) FROM schema_version")) || !query.next())
        return -1;
    return query.value(0).isNull() ? 0 : query.value(0).toInt();
}

bool begin(QSqlDatabase& db, RecordSchema::Dialect dialect)
{
    QSqlQuery query(db);
    if (dialect == RecordSchema::Dialect::Sqlite)
        // IMMEDIATE takes the write lock at once: a deferred transaction that
        // reads first cannot wait for another writer's lock.
        return query.exec(QStringLiteral("BEGIN IMMEDIATE"));
    // Two programs creating the same tables at once collide in the catalogue.
    // "Already exists, skipping" notices would reach the programs' standard error.
    return db.transaction() && query.exec(QStringLiteral("SELECT pg_advisory_xact_lock(7406152)"))
        && query.exec(QStringLiteral("SET LOCAL client_min_messages = warning"));
}

QString newerVersion(int found)
{
    return QStringLiteral("the records are of a newer version (%1) than this program knows (%2)")
        .arg(found)
        .arg(RecordSchema::version);
}

} // namespace

QStringList RecordSchema::createStatements(Dialect dialect)
{
    QStringList statements {
        QStringLiteral("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS chip_attempts (%1)").arg(attemptColumns(dialect)),
        // The reports count results per time, station and image: with the
        // result in each index they never read the rows themselves.
        QStringLiteral("CREATE INDEX IF NOT EXISTS chip_attempts_started_at ON chip_attempts (started_at, result)"),
        QStringLiteral(
            "CREATE INDEX IF NOT EXISTS chip_attempts_station ON chip_attempts (station, started_at, result)"),
        QStringLiteral(
            "CREATE INDEX IF NOT EXISTS chip_attempts_image ON chip_attempts (image_crc32, started_at, result)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS chip_attempts_failures ON chip_attempts (result, reason)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS chip_attempts_chip ON chip_attempts (chip_id, started_at)"),
    };
    // The local file also keeps the rows waiting for the line's server, and
    // (since version 3) those the server refused for what they hold.
    if (dialect == Dialect::Sqlite)
        statements << QStringLiteral("CREATE TABLE IF NOT EXISTS outbox (%1)").arg(attemptColumns(dialect))
                   << QStringLiteral(
                          "CREATE TABLE IF NOT EXISTS set_aside (%1, refused_because TEXT NOT NULL DEFAULT '',"
                          " set_aside_at TEXT NOT NULL DEFAULT '')")
                          .arg(attemptColumns(dialect));
    return statements + poolTables(dialect);
}

QStringList RecordSchema::upgradeStatements(int from, Dialect dialect)
{
    QStringList statements;
    if (from == 1) {
        for (const QString& table : attemptTables(dialect)) {
            for (const QString& column : chipColumns())
                statements << QStringLiteral("ALTER TABLE %1 ADD COLUMN %2").arg(table, column);
        }
    }
    if (from == 3)
        statements << poolTables(dialect);
    return statements;
}

QString RecordSchema::ensure(QSqlDatabase& db, Dialect dialect)
{
    const int seen = storedVersion(db);
    if (seen == version)
        return QString();
    if (seen > version)
        return newerVersion(seen);
    if (!begin(db, dialect))
        return db.lastError().text();
    // Read again under the lock: another program may have upgraded meanwhile.
    // (A failed read would abort a PostgreSQL transaction: the table is made sure of first.)
    QSqlQuery(db).exec(QStringLiteral("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)"));
    const int found = std::max(storedVersion(db), 0);
    if (found > version) {
        db.rollback();
        return newerVersion(found);
    }
    QString error;
    QSqlQuery query(db);
    // The upgrades first: the creating statements' new indexes need the new
    // columns. Creating is idempotent, so a database that another program
    // just created passes through unchanged.
    QStringList statements;
    for (int from = found; from > 0 && from < version; ++from)
        statements << upgradeStatements(from, dialect);
    statements << createStatements(dialect);
    for (const QString& statement : std::as_const(statements)) {
        if (!query.exec(statement)) {
            error = query.lastError().text();
            break;
        }
    }
    if (error.isEmpty() && found < version) {
        query.prepare(QStringLiteral("INSERT INTO schema_version (version) VALUES (?)"));
        query.addBindValue(version);
        if (!query.exec())
            error = query.lastError().text();
    }
    query.finish();
    if (!error.isEmpty()) {
        db.rollback();
        return error;
    }
    if (!db.commit())
        return db.lastError().text();
    return QString();
}
