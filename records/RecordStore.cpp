#include "RecordStore.h"

#include "SqliteCheckpoint.h"
#include "StorableText.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
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

// libpq's bounds for every wait on the server, unless the records URL sets one itself.
QString serverOptions(const QString& given, const RecordTiming& timing)
{
    const std::pair<const char*, long long> bounds[] = {
        { "connect_timeout", std::max<long long>(2, (timing.serverConnect.count() + 999) / 1000) },
        { "keepalives", 1 },
        { "keepalives_idle", timing.keepaliveIdle.count() },
        { "keepalives_interval", timing.keepaliveInterval.count() },
        { "keepalives_count", timing.keepaliveProbes },
        { "tcp_user_timeout", timing.serverSilence.count() },
    };
    QStringList options;
    if (!given.isEmpty())
        options << given;
    for (const auto& [key, value] : bounds) {
        if (!given.contains(QLatin1String(key) + QLatin1Char('=')))
            options << QStringLiteral("%1=%2").arg(QLatin1String(key)).arg(value);
    }
    return options.join(QLatin1Char(';'));
}

// What the server says about the values themselves (data exceptions,
// constraint violations, a statement the values cut short), as opposed to
// the connection, the account or the server's state: SQLSTATE classes.
bool isContentRefusal(const QString& sqlState)
{
    return sqlState.startsWith(QLatin1String("22")) || sqlState.startsWith(QLatin1String("23"))
        || sqlState == QLatin1String("42601");
}

// SQLite answers a connection that turns a new file to WAL while another one
// does the same with "database is locked" at once, without its busy wait:
// several stations opening the file together try again, within that wait.
bool useWriteAheadLog(QSqlQuery& query, std::chrono::milliseconds busy)
{
    const QDeadlineTimer deadline(busy);
    while (!query.exec(QStringLiteral("PRAGMA journal_mode=WAL"))) {
        if (query.lastError().nativeErrorCode() != QLatin1String("5") || deadline.hasExpired())
            return false;
        QThread::msleep(2);
    }
    return true;
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
    // WAL lets the report commands read while stations write. FULL syncs the
    // journal at every commit: NORMAL survives a crash of the program but can
    // lose the last committed rows to a power cut, as at the end of a shift.
    if (!useWriteAheadLog(query, timing.sqliteBusy)
        || !query.exec(QStringLiteral("PRAGMA synchronous=FULL")))
        return fail(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), query.lastError().text()));
    return prepareSchema();
}

bool RecordStore::openServer(const RecordLocation& location, const RecordTiming& timing)
{
    kind = RecordSchema::Dialect::Postgres;
    if (!location.error.isEmpty())
        return fail(location.error);
    if (!db.isValid())
        db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connectionName);
    if (!db.isValid())
        return fail(QStringLiteral("Qt's PostgreSQL driver is missing on this PC"));
    db.setHostName(location.host);
    db.setPort(location.port);
    db.setDatabaseName(location.database);
    db.setUserName(location.user);
    // No password here: libpq reads ~/.pgpass and PGPASSWORD itself.
    db.setConnectOptions(serverOptions(location.connectOptions, timing));
    if (!db.open())
        return fail(QStringLiteral("%1: %2").arg(location.describe(), db.lastError().text().trimmed()));
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SET statement_timeout = %1").arg(timing.serverStatement.count()))) {
        const QString why = query.lastError().text();
        db.close();
        return fail(QStringLiteral("%1: %2").arg(location.describe(), why));
    }
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
    contentRefused = false;
    if (!query.prepare(upsertStatement(table)))
        return fail(query.lastError().text());
    for (const QVariant& value : row.values())
        query.addBindValue(value);
    if (!query.exec()) {
        contentRefused
            = kind == RecordSchema::Dialect::Postgres && isContentRefusal(query.lastError().nativeErrorCode());
        return fail(query.lastError().text());
    }
    contentRefused = false;
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

bool RecordStore::outboxState(int& rows, QDateTime& oldestStarted)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT COUNT(*), MIN(started_at) FROM outbox")) || !query.next())
        return fail(query.lastError().text());
    rows = query.value(0).toInt();
    oldestStarted = AttemptRow::timeFromValue(query.value(1));
    return true;
}

bool RecordStore::setAside(const AttemptRow& row, const QString& refusal)
{
    QStringList marks;
    for (int i = 0; i < AttemptRow::columns().size() + 2; ++i)
        marks << QStringLiteral("?");
    if (!db.transaction())
        return fail(db.lastError().text());
    QSqlQuery query(db);
    query.prepare(QStringLiteral("INSERT OR REPLACE INTO set_aside (%1, refused_because, set_aside_at) VALUES (%2)")
                      .arg(AttemptRow::columns().join(QStringLiteral(", ")), marks.join(QStringLiteral(", "))));
    for (const QVariant& value : row.values())
        query.addBindValue(value);
    query.addBindValue(StorableText::of(refusal));
    query.addBindValue(AttemptRow::timeText(QDateTime::currentDateTimeUtc()));
    if (!query.exec() || !removeFromOutbox(row)) {
        const QString why = query.lastError().isValid() ? query.lastError().text() : error;
        db.rollback();
        return fail(why);
    }
    if (!db.commit())
        return fail(db.lastError().text());
    return true;
}

int RecordStore::setAsideCount()
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT COUNT(*) FROM set_aside")) || !query.next())
        return -1;
    return query.value(0).toInt();
}
