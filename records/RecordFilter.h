#pragma once

#include <QDateTime>
#include <QString>
#include <QVariantList>

// Which attempts a report covers; an empty field does not filter.
struct RecordFilter {
    QDateTime since; // attempts started at or after
    QDateTime until; // attempts started before
    QString host; // the PC, as it names itself
    QString station;
    QString result;
    QString imageCrc32; // eight hex digits, lower case
    QString chipId; // a chip's MAC address as the rows hold it: "AA:BB:CC:DD:EE:FF"

    // " WHERE ..." (or nothing) with '?' for each value appended to binds.
    QString whereClause(QVariantList& binds, const QString& extraCondition = QString()) const;
};
