#pragma once

#include <QString>
#include <QStringList>

class QSqlDatabase;

// Creates the record tables in a new database and brings an older one up to
// this program's version, inside one transaction, whoever gets there first
// when several programs start at once.
class RecordSchema {
public:
    static constexpr int version = 4;

    enum class Dialect { Sqlite, Postgres };

    // Empty on success, else why not.
    static QString ensure(QSqlDatabase& db, Dialect dialect);

private:
    static QStringList createStatements(Dialect dialect);
    // What brings a database of version `from` to `from + 1`.
    static QStringList upgradeStatements(int from, Dialect dialect);
};
