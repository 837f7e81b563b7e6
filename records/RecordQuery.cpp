#include "RecordQuery.h"

#include "RecordStore.h"

#include <QSqlError>
#include <QSqlQuery>

namespace {

bool run(QSqlQuery& query, const QString& statement, const QVariantList& binds, QString& error)
{
    query.setForwardOnly(true);
    if (!query.prepare(statement)) {
        error = query.lastError().text();
        return false;
    }
    for (const QVariant& value : binds)
        query.addBindValue(value);
    if (!query.exec()) {
        error = query.lastError().text();
        return false;
    }
    return true;
}

} // namespace

QString RecordQuery::groupKey(Grouping grouping) const
{
    const bool pg = store.dialect() == RecordSchema::Dialect::Postgres;
    switch (grouping) {
    case Grouping::All:
        return QStringLiteral("''");
    case Grouping::Hour:
        return pg ? QStringLiteral("to_char(started_at, 'YYYY-MM-DD HH24:00')")
                  : QStringLiteral("strftime('%Y-%m-%d %H:00', started_at, 'localtime')");
    case Grouping::Day:
        return pg ? QStringLiteral("to_char(started_at, 'YYYY-MM-DD')")
                  : QStringLiteral("strftime('%Y-%m-%d', started_at, 'localtime')");
    case Grouping::Station:
        return QStringLiteral("station");
    case Grouping::Image:
        return QStringLiteral("image_crc32");
    }
    return QStringLiteral("''");
}

bool RecordQuery::attempts(const RecordFilter& filter, QList<AttemptRow>& rows)
{
    QVariantList binds;
    const QString statement = QStringLiteral("SELECT %1 FROM chip_attempts%2 ORDER BY started_at, id")
                                  .arg(AttemptRow::columns().join(QStringLiteral(", ")), filter.whereClause(binds));
    QSqlQuery query(store.database());
    if (!run(query, statement, binds, error))
        return false;
    const int columns = int(AttemptRow::columns().size());
    while (query.next()) {
        QVariantList values;
        values.reserve(columns);
        for (int i = 0; i < columns; ++i)
            values << query.value(i);
        rows << AttemptRow::fromValues(values);
    }
    return true;
}

bool RecordQuery::yield(const RecordFilter& filter, Grouping grouping, QList<YieldGroup>& groups)
{
    QVariantList binds;
    const QString statement
        = QStringLiteral("SELECT %1 AS bucket, COUNT(*), SUM(CASE WHEN result = 'pass' THEN 1 ELSE 0 END),"
                         " SUM(CASE WHEN result = 'fail' THEN 1 ELSE 0 END) FROM chip_attempts%2"
                         " GROUP BY bucket ORDER BY bucket")
              .arg(groupKey(grouping), filter.whereClause(binds));
    QSqlQuery query(store.database());
    if (!run(query, statement, binds, error))
        return false;
    while (query.next())
        groups << YieldGroup { query.value(0).toString(), query.value(1).toLongLong(), query.value(2).toLongLong(),
            query.value(3).toLongLong() };
    return true;
}

bool RecordQuery::commonFailures(const RecordFilter& filter, int limit, QList<ReasonCount>& reasons)
{
    QVariantList binds;
    const QString statement = QStringLiteral("SELECT reason, COUNT(*) AS n FROM chip_attempts%1"
                                             " GROUP BY reason ORDER BY n DESC, reason LIMIT %2")
                                  .arg(filter.whereClause(binds, QStringLiteral("result = 'fail'")))
                                  .arg(limit);
    QSqlQuery query(store.database());
    if (!run(query, statement, binds, error))
        return false;
    while (query.next())
        reasons << ReasonCount { query.value(0).toString(), query.value(1).toLongLong() };
    return true;
}
