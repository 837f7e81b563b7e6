#include "SqliteCheckpoint.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QVariant>

#include <sqlite3.h>

// Qt's driver here uses the system's SQLite, the same library as this program.
void leaveCheckpointToNextWriter(const QSqlDatabase& db)
{
    const QVariant handle = db.driver()->handle();
    if (qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return;
    if (sqlite3* connection = *static_cast<sqlite3* const*>(handle.constData()))
        sqlite3_db_config(connection, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
}
