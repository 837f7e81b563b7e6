#include "RecordStore.h"

#include "SqliteCheckpoint.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

#include <algorithm>

namespace {

QString upsertStatement(const QString& table)
{
    const QStringList& columns = AttemptRow::columns();
    QStringList marks;
    QStringList updates;
    for (const QString& column : columns) {
        marks << QStringLiteral("?");
        if (column != QLatin1String("id"))
            updates << QStringLiteral("%1 = excluded.%1").arg(column);
    }
    return QStringLiteral(
        "INSERT INTO %1 (%2) VALUES (%3) ON CONFLICT (id) DO UPDATE SET %4 WHERE %1.result = 'running'")
        .arg(table, columns.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")),
            updates.join(QStringLiteral(", ")));
}

} // namespace

RecordStore::RecordStore()
    : connectionName(QStringLiteral("records-") + QUuid::createUuid().toString(QUuid::WithoutBraces))
{ }

RecordStore::~RecordStore()
{
    close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(connectionName);
}

void RecordStore::close()
{
    if (db.isValid())
        db.close();
}

bool RecordStore::fail(const QString& why)
{
    error = why;
    return false;
}

bool RecordStore::open(const RecordLocation& location, const RecordTiming& timing)
{
    return location.server ? openServer(location, timing) : openLocal(location.sqlitePath, timing);
}

// The operators of one line PC share the records: a new file is as writable
// for the folder's group as the folder itself. SQLite would create it 0644,
// and its journal files copy the file's mode, locking every other operator out.
static void createSharedFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return; // there already, or the open below says why not
    file.close();
    QFileDevice::Permissions mode
        = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    if (QFileInfo(QFileInfo(path).absolutePath()).permissions() & QFileDevice::WriteGroup)
        mode |= QFileDevice::WriteGroup;
    file.setPermissions(mode);
}

bool RecordStore::openLocal(const QString& path, const RecordTiming& timing)
{
    kind = RecordSchema::Dialect::Sqlite;
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        return fail(QStringLiteral("cannot create the folder %1").arg(QDir::toNativeSeparators(folder)));
    if (!db.isValid())
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
    if (!db.isValid())
        return fail(QStringLiteral("Qt's SQLite driver is missing"));
    createSharedFile(path);
    db.setDatabaseName(path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(timing.sqliteBusy.count()));
    if (!db.open())
        return fail(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), db.lastError().text()));
    leaveCheckpointToNextWriter(db);
    QSqlQuery query(db);
    // WAL lets the report commands read while stations write; NORMAL syncing
    // is still safe against a crash of the program, and cheaper per row.
    if (!query.exec(QStringLiteral("PRAGMA journal_mode=WAL"))
        || !query.exec(QStringLiteral("PRAGMA synchronous=NORMAL")))
        return fail(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), query.lastError().text()));
    return prepareSchema();
}

bool RecordStore::serverDriverAvailable()
{
    return QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL"));
}

bool RecordStore::openServer(const RecordLocation& location, const RecordTiming& timing)
{
    kind = RecordSchema::Dialect::Postgres;
    if (!location.error.isEmpty())
        return fail(location.error);
    if (!db.isValid())
        db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connectionName);
    if (!db.isValid())
        return fail(QStringLiteral("Qt's PostgreSQL driver is missing"));
    db.setHostName(location.host);
    db.setPort(location.port);
    db.setDatabaseName(location.database);
    db.setUserName(location.user);
    // No password here: libpq reads ~/.pgpass and PGPASSWORD itself.
    QString options = location.connectOptions;
    if (!options.contains(QLatin1String("connect_timeout="))) {
        const long long seconds = std::max<long long>(2, (timing.serverConnect.count() + 999) / 1000);
        options += QStringLiteral("%1connect_timeout=%2").arg(options.isEmpty() ? "" : ";").arg(seconds);
    }
    db.setConnectOptions(options);
    if (!db.open())
        return fail(QStringLiteral("%1: %2").arg(location.describe(), db.lastError().text().trimmed()));
    return prepareSchema();
}

bool RecordStore::prepareSchema()
{
    const QString why = RecordSchema::ensure(db, kind);
    if (!why.isEmpty()) {
        db.close();
        return fail(why);
    }
    return true;
}

bool RecordStore::upsert(const AttemptRow& row, const QString& table)
{
    QSqlQuery query(db);
    if (!query.prepare(upsertStatement(table)))
        return fail(query.lastError().text());
    for (const QVariant& value : row.values())
        query.addBindValue(value);
    if (!query.exec())
        return fail(query.lastError().text());
    return true;
}

QList<AttemptRow> RecordStore::outboxRows()
{
    QList<AttemptRow> rows;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(
            QStringLiteral("SELECT %1 FROM outbox ORDER BY started_at").arg(AttemptRow::columns().join(", ")))) {
        fail(query.lastError().text());
        return rows;
    }
    while (query.next()) {
        QVariantList values;
        for (int i = 0; i < AttemptRow::columns().size(); ++i)
            values << query.value(i);
        rows << AttemptRow::fromValues(values);
    }
    return rows;
}

bool RecordStore::removeFromOutbox(const AttemptRow& row)
{
    QSqlQuery query(db);
    query.prepare(QStringLiteral("DELETE FROM outbox WHERE id = ? AND result = ?"));
    query.addBindValue(row.id);
    query.addBindValue(row.result);
    if (!query.exec())
        return fail(query.lastError().text());
    return true;
}

int RecordStore::outboxSize()
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT COUNT(*) FROM outbox")) || !query.next())
        return -1;
    return query.value(0).toInt();
}
