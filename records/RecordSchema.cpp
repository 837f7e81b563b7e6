#include "RecordSchema.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

namespace {

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
                          " transfer_ms %3")
        .arg(pg ? QStringLiteral("UUID") : QStringLiteral("TEXT"), time, big);
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
    return db.transaction() && query.exec(QStringLiteral("SELECT pg_advisory_xact_lock(7406152)"));
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
    };
    // The local file also keeps the rows waiting for the line's server.
    if (dialect == Dialect::Sqlite)
        statements << QStringLiteral("CREATE TABLE IF NOT EXISTS outbox (%1)").arg(attemptColumns(dialect));
    return statements;
}

QString RecordSchema::ensure(QSqlDatabase& db, Dialect dialect)
{
    const int found = storedVersion(db);
    if (found == version)
        return QString();
    if (found > version)
        return QStringLiteral("the records are of a newer version (%1) than this program knows (%2)")
            .arg(found)
            .arg(version);
    if (!begin(db, dialect))
        return db.lastError().text();
    QString error;
    QSqlQuery query(db);
    // Version 1 is the first: every statement is idempotent, so a database
    // that another program just created passes through unchanged.
    for (const QString& statement : createStatements(dialect)) {
        if (!query.exec(statement)) {
            error = query.lastError().text();
            break;
        }
    }
    if (error.isEmpty() && storedVersion(db) < version) {
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
