#pragma once

#include "AttemptRow.h"
#include "RecordLocation.h"
#include "RecordSchema.h"
#include "RecordTiming.h"

#include <QDateTime>
#include <QList>
#include <QSqlDatabase>
#include <QString>

// One connection to one record database, the local SQLite file or the line's
// server, used only by the thread that opened it (Qt SQL's rule).
class RecordStore {
public:
    RecordStore();
    ~RecordStore();
    RecordStore(const RecordStore&) = delete;
    RecordStore& operator=(const RecordStore&) = delete;

    // Creates the folder, the file and the tables where missing.
    bool openLocal(const QString& path, const RecordTiming& timing);
    bool openServer(const RecordLocation& location, const RecordTiming& timing);
    // As the location says: the server, else the local file.
    bool open(const RecordLocation& location, const RecordTiming& timing);
    void close();

    bool isOpen() const { return db.isOpen(); }
    RecordSchema::Dialect dialect() const { return kind; }
    QString lastError() const { return error; }
    QSqlDatabase& database() { return db; }

    // Inserts the row, or brings an unfinished row of the same id up to it:
    // a finished row is never overwritten, so a row forwarded twice lands once.
    bool store(const AttemptRow& row) { return upsert(row, QStringLiteral("chip_attempts")); }

    // The local file's outbox: rows the server has yet to take.
    bool keepForServer(const AttemptRow& row) { return upsert(row, QStringLiteral("outbox")); }
    QList<AttemptRow> outboxRows();
    // Only the version that was forwarded: an outbox row updated since stays.
    bool removeFromOutbox(const AttemptRow& row);
    int outboxSize();
    // How many rows wait, and when the oldest of them started (invalid: none). False when unreadable.
    bool outboxState(int& rows, QDateTime& oldestStarted);

    // Moves an outbox row the server refused for what it holds out of the way of the rows behind it.
    bool setAside(const AttemptRow& row, const QString& refusal);
    int setAsideCount();

    // The last failed statement was refused for the values it carried (the
    // server answered, and would refuse them again), not for the connection.
    bool refusedContent() const { return contentRefused; }

private:
    bool upsert(const AttemptRow& row, const QString& table);
    bool fail(const QString& why);
    bool prepareSchema();

    QString connectionName;
    QSqlDatabase db;
    RecordSchema::Dialect kind = RecordSchema::Dialect::Sqlite;
    QString error;
    bool contentRefused = false;
};
