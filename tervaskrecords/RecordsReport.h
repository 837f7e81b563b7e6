#pragma once

#include "AttemptRow.h"
#include "MacPoolQuery.h"
#include "RecordHealth.h"
#include "RecordQuery.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// What tervaskrecords prints and exports, apart from where it goes.
class RecordsReport {
public:
    // The list: one line per attempt under a heading, times in local time,
    // columns as wide as their widest cell (measured in a pass of their own,
    // so that a list of months is printed as it is read).
    static QStringList listHeading();
    static QStringList listCells(const AttemptRow& row);
    static void widen(QList<int>& widths, const QStringList& cells);
    static QString alignedLine(const QStringList& cells, const QList<int>& widths);
    // RFC 4180: a header row, CR LF, fields quoted where they need it; times in UTC.
    // Line by line, so that an export of months is written as it is read.
    static QByteArray csvHeader();
    static QByteArray csvLine(const AttemptRow& row);
    static QString yield(const QList<RecordQuery::YieldGroup>& groups, const QList<RecordQuery::ReasonCount>& reasons);

    // Where the records go, what waits for the line's server, and what went wrong.
    static QString status(const RecordHealth& health);
    // One chip's attempts, oldest first and numbered so, wherever and whenever they ran.
    static QString chip(const QString& chipId, const QList<AttemptRow>& rows);
    static QString pools(const QList<MacPoolQuery::PoolFigures>& pools);

    static QString csvField(const QString& value);
};
