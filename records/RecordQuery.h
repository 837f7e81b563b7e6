#pragma once

#include "AttemptRow.h"
#include "RecordFilter.h"

#include <QList>
#include <QString>

#include <functional>

class QSqlQuery;
class RecordStore;

// The reports over an open record store; the store's dialect decides how hours
// and days (the station's local ones) are cut.
class RecordQuery {
public:
    enum class Grouping { All, Hour, Day, Station, Image };

    struct YieldGroup {
        QString key;
        qint64 attempts = 0;
        qint64 passed = 0; // a chip passes at most once: also the chips that passed at all
        qint64 failed = 0;
        qint64 chips = 0; // chips' first attempts that passed or failed
        qint64 firstPass = 0; // chips that passed at their first attempt

        void add(const YieldGroup& other);
    };

    struct ReasonCount {
        QString reason;
        qint64 count = 0;
    };

    explicit RecordQuery(RecordStore& store)
        : store(store)
    { }

    // Oldest first. False (and lastError) when the store could not answer.
    bool attempts(const RecordFilter& filter, QList<AttemptRow>& rows);
    // The same rows one by one, none kept: for readings whose size must not grow with the records.
    bool eachAttempt(const RecordFilter& filter, const std::function<void(const AttemptRow&)>& take);
    bool yield(const RecordFilter& filter, Grouping grouping, QList<YieldGroup>& groups);
    bool commonFailures(const RecordFilter& filter, int limit, QList<ReasonCount>& reasons);

    QString lastError() const { return error; }

private:
    static QString groupKey(Grouping grouping);
    static QString figures();
    static YieldGroup groupFrom(const QString& key, const QSqlQuery& query, int firstColumn);
    bool yieldByColumn(const RecordFilter& filter, Grouping grouping, QList<YieldGroup>& groups);
    bool yieldByTime(const RecordFilter& filter, Grouping grouping, QList<YieldGroup>& groups);
    bool timeSpan(const RecordFilter& filter, QDateTime& first, QDateTime& last);

    RecordStore& store;
    QString error;
};
