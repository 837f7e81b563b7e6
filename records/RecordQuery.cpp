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

void RecordQuery::YieldGroup::add(const YieldGroup& other)
{
    attempts += other.attempts;
    passed += other.passed;
    failed += other.failed;
    chips += other.chips;
    firstPass += other.firstPass;
}

QString RecordQuery::groupKey(Grouping grouping)
{
    switch (grouping) {
    case Grouping::Station:
        // Stations of different PCs are different stations, even on the same port name.
        return QStringLiteral("CASE WHEN host = '' THEN station ELSE host || '/' || station END");
    case Grouping::Image:
        return QStringLiteral("image_crc32");
    default:
        return QStringLiteral("''");
    }
}

// What every yield group counts, in YieldGroup's order. A chip is known by
// its first attempt (chip_attempt 1); its retries are further attempts.
QString RecordQuery::figures()
{
    return QStringLiteral("COUNT(*), SUM(CASE WHEN result = 'pass' THEN 1 ELSE 0 END),"
                          " SUM(CASE WHEN result = 'fail' THEN 1 ELSE 0 END),"
                          " SUM(CASE WHEN chip_attempt = 1 AND result IN ('pass', 'fail') THEN 1 ELSE 0 END),"
                          " SUM(CASE WHEN chip_attempt = 1 AND result = 'pass' THEN 1 ELSE 0 END)");
}

RecordQuery::YieldGroup RecordQuery::groupFrom(const QString& key, const QSqlQuery& query, int firstColumn)
{
    YieldGroup group { key };
    qint64* const counts[] = { &group.attempts, &group.passed, &group.failed, &group.chips, &group.firstPass };
    for (int i = 0; i < 5; ++i)
        *counts[i] = query.value(firstColumn + i).toLongLong();
    return group;
}

bool RecordQuery::attempts(const RecordFilter& filter, QList<AttemptRow>& rows)
{
    return eachAttempt(filter, [&rows](const AttemptRow& row) { rows << row; });
}

bool RecordQuery::eachAttempt(const RecordFilter& filter, const std::function<void(const AttemptRow&)>& take)
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
        take(AttemptRow::fromValues(values));
    }
    return true;
}

bool RecordQuery::yield(const RecordFilter& filter, Grouping grouping, QList<YieldGroup>& groups)
{
    if (grouping == Grouping::Hour || grouping == Grouping::Day)
        return yieldByTime(filter, grouping, groups);
    return yieldByColumn(filter, grouping, groups);
}

bool RecordQuery::yieldByColumn(const RecordFilter& filter, Grouping grouping, QList<YieldGroup>& groups)
{
    QVariantList binds;
    const QString statement
        = QStringLiteral("SELECT %1 AS bucket, %2 FROM chip_attempts%3 GROUP BY bucket ORDER BY bucket")
              .arg(groupKey(grouping), figures(), filter.whereClause(binds));
    QSqlQuery query(store.database());
    if (!run(query, statement, binds, error))
        return false;
    while (query.next())
        groups << groupFrom(query.value(0).toString(), query, 1);
    return true;
}

bool RecordQuery::timeSpan(const RecordFilter& filter, QDateTime& first, QDateTime& last)
{
    QVariantList binds;
    QSqlQuery query(store.database());
    if (!run(query,
            QStringLiteral("SELECT MIN(started_at), MAX(started_at) FROM chip_attempts") + filter.whereClause(binds),
            binds, error))
        return false;
    if (query.next()) {
        first = AttemptRow::timeFromValue(query.value(0));
        last = AttemptRow::timeFromValue(query.value(1));
    }
    return true;
}

// Hours and days are the station's local ones, daylight saving and odd
// offsets included: each is one range over the time index, cut here instead
// of by a date function over every row (which also sorts every row).
bool RecordQuery::yieldByTime(const RecordFilter& filter, Grouping grouping, QList<YieldGroup>& groups)
{
    QDateTime first;
    QDateTime last;
    if (!timeSpan(filter, first, last))
        return false;
    if (!first.isValid())
        return true;
    const bool hourly = grouping == Grouping::Hour;
    const QDateTime local = first.toLocalTime();
    QDateTime begin = hourly ? QDateTime(local.date(), QTime(local.time().hour(), 0)) : local.date().startOfDay();
    QVariantList binds;
    const QString statement = QStringLiteral("SELECT %1 FROM chip_attempts").arg(figures())
        + filter.whereClause(binds, QStringLiteral("started_at >= ? AND started_at < ?"));
    QSqlQuery query(store.database());
    query.setForwardOnly(true);
    if (!query.prepare(statement)) {
        error = query.lastError().text();
        return false;
    }
    while (begin <= last) {
        const QDateTime end = hourly ? begin.addSecs(3600) : begin.addDays(1);
        for (int i = 0; i < binds.size(); ++i)
            query.bindValue(i, binds.at(i));
        query.bindValue(int(binds.size()), AttemptRow::timeText(begin));
        query.bindValue(int(binds.size()) + 1, AttemptRow::timeText(end));
        if (!query.exec()) {
            error = query.lastError().text();
            return false;
        }
        if (query.next() && query.value(0).toLongLong() > 0)
            groups << groupFrom(
                begin.toString(hourly ? QStringLiteral("yyyy-MM-dd HH:00") : QStringLiteral("yyyy-MM-dd")), query, 0);
        query.finish();
        begin = end;
    }
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
