#pragma once

#include "RecordFilter.h"
#include "RecordQuery.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

// tervaskrecords' command line: one command, then its options.
struct RecordsArguments {
    enum class Command { None, List, Export, Yield, Forward, Status, Chip, Pool };

    Command command = Command::None;
    RecordFilter filter;
    RecordQuery::Grouping grouping = RecordQuery::Grouping::All;
    QString csvPath;
    QString error; // empty when the line is good

    // now: the local time "today" and "yesterday" count from.
    static RecordsArguments parse(const QStringList& arguments, const QDateTime& now);
    // ISO 8601 date or date and time (local unless it names its offset), "today" or "yesterday".
    static QDateTime parseTime(const QString& text, const QDateTime& now);
    static QString usage();
};
