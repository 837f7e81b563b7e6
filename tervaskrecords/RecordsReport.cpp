#include "RecordsReport.h"

#include <QStringList>

#include <algorithm>

namespace {

// Columns padded to their widest cell, the last one left as it is.
QString aligned(const QList<QStringList>& table)
{
    QList<int> widths;
    for (const QStringList& row : table)
        RecordsReport::widen(widths, row);
    QString text;
    for (const QStringList& row : table)
        text += RecordsReport::alignedLine(row, widths);
    return text;
}

QString seconds(qint64 ms)
{
    return QString::number(double(ms) / 1000.0, 'f', 3);
}

QString percent(qint64 part, qint64 whole)
{
    return whole == 0 ? QStringLiteral("-") : QString::number(100.0 * double(part) / double(whole), 'f', 1) + '%';
}

// Reasons are one line on the screen: a line break in one would break the table.
QString oneLine(const QString& text)
{
    QString line = text;
    line.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    return line;
}

} // namespace

void RecordsReport::widen(QList<int>& widths, const QStringList& cells)
{
    for (int i = 0; i < cells.size(); ++i) {
        if (widths.size() <= i)
            widths << 0;
        widths[i] = std::max(widths[i], int(cells.at(i).size()));
    }
}

QString RecordsReport::alignedLine(const QStringList& cells, const QList<int>& widths)
{
    QString line;
    for (int i = 0; i < cells.size(); ++i)
        line += i + 1 < cells.size() ? cells.at(i).leftJustified(widths.value(i) + 2) : cells.at(i);
    return line.trimmed() + QLatin1Char('\n');
}

QStringList RecordsReport::listHeading()
{
    return { "started", "station", "result", "seconds", "image", "step", "reason" };
}

QStringList RecordsReport::listCells(const AttemptRow& row)
{
    return { row.startedAt.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), oneLine(row.context.station),
        row.result, row.finishedAt.isValid() ? seconds(row.durationMs) : "-", row.context.imageCrc32,
        row.failedStep.isEmpty() ? "-" : row.failedStep, oneLine(row.reason) };
}

QString RecordsReport::csvField(const QString& value)
{
    if (!value.contains(QLatin1Char(',')) && !value.contains(QLatin1Char('"')) && !value.contains(QLatin1Char('\n'))
        && !value.contains(QLatin1Char('\r')))
        return value;
    QString quoted = value;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QByteArray RecordsReport::csvHeader()
{
    return AttemptRow::columns().join(QLatin1Char(',')).toUtf8() + "\r\n";
}

QByteArray RecordsReport::csvLine(const AttemptRow& row)
{
    QStringList fields;
    for (const QVariant& value : row.values())
        fields << csvField(value.toString());
    return fields.join(QLatin1Char(',')).toUtf8() + "\r\n";
}

QString RecordsReport::yield(
    const QList<RecordQuery::YieldGroup>& groups, const QList<RecordQuery::ReasonCount>& reasons)
{
    QList<QStringList> table { { "group", "attempts", "pass", "fail", "yield", "chips", "first pass", "final" } };
    RecordQuery::YieldGroup total { QStringLiteral("total") };
    for (const RecordQuery::YieldGroup& group : groups)
        total.add(group);
    const auto row = [](const QString& key, const RecordQuery::YieldGroup& g) {
        return QStringList { key, QString::number(g.attempts), QString::number(g.passed), QString::number(g.failed),
            percent(g.passed, g.passed + g.failed), QString::number(g.chips), percent(g.firstPass, g.chips),
            percent(g.passed, g.chips) };
    };
    for (const RecordQuery::YieldGroup& group : groups)
        table << row(group.key.isEmpty() ? QStringLiteral("all") : oneLine(group.key), group);
    if (groups.size() > 1)
        table << row(total.key, total);
    QString text = aligned(table);
    text += QStringLiteral(
        "yield = pass / (pass + fail); attempts also count the canceled, the unfinished and those without a chip\n"
        "chips = first attempts that passed or failed; first pass = chips that passed at their first attempt / chips;"
        " final = chips that passed at all / chips\n");
    if (!reasons.isEmpty()) {
        text += QStringLiteral("\nMost common failures:\n");
        QList<QStringList> reasonTable;
        for (const RecordQuery::ReasonCount& reason : reasons)
            reasonTable << QStringList { QString::number(reason.count), oneLine(reason.reason) };
        text += aligned(reasonTable);
    }
    return text;
}

QString RecordsReport::status(const RecordHealth& health)
{
    QList<QStringList> table;
    table << QStringList { "store:",
        health.store + (health.server ? QStringLiteral(" (the line database)") : QStringLiteral(" (this PC)")) };
    if (health.server) {
        table << QStringList { "waiting:",
            health.waiting == 0
                ? QStringLiteral("none")
                : QStringLiteral("%1 rows, the oldest from %2")
                      .arg(health.waiting)
                      .arg(health.oldestWaiting.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))) };
        table << QStringList { "set aside:",
            health.setAside == 0
                ? QStringLiteral("none")
                : QStringLiteral("%1 rows the server refused for what they hold").arg(health.setAside) };
    }
    table << QStringList { "last error:",
        health.lastError.isEmpty() ? QStringLiteral("none") : health.lastError.simplified() };
    return aligned(table);
}

QString RecordsReport::chip(const QString& chipId, const QList<AttemptRow>& rows)
{
    if (rows.isEmpty())
        return QStringLiteral("No attempt of the chip %1 is in the records.\n").arg(chipId);
    QList<QStringList> table {
        { "attempt", "started", "station", "result", "seconds", "image", "step", "reason" },
    };
    int number = 0;
    for (const AttemptRow& row : rows) {
        table << QStringList { QString::number(++number),
            row.startedAt.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), oneLine(row.context.station),
            row.result, row.finishedAt.isValid() ? seconds(row.durationMs) : "-", row.context.imageCrc32,
            row.failedStep.isEmpty() ? "-" : row.failedStep, oneLine(row.reason) };
    }
    return QStringLiteral("Chip %1: %2 attempts\n").arg(chipId).arg(rows.size()) + aligned(table);
}

QString RecordsReport::pools(const QList<MacPoolQuery::PoolFigures>& pools)
{
    if (pools.isEmpty())
        return QStringLiteral("No MAC address pool is in the records.\n");
    QString text;
    for (const MacPoolQuery::PoolFigures& pool : pools) {
        if (!text.isEmpty())
            text += QLatin1Char('\n');
        text += QStringLiteral("MAC pool %1, %2 per chip\n").arg(pool.range.text()).arg(pool.range.macsPerChip);
        text += aligned({ { "chips", QString::number(pool.chips) }, { "used", QString::number(pool.used) },
            { "reserved", QString::number(pool.reserved) }, { "free", QString::number(pool.free) } });
        if (pool.reservedRuns.isEmpty())
            continue;
        text += QStringLiteral("Reserved but never used:\n");
        QList<QStringList> runs;
        for (const MacPoolQuery::ReservedRun& run : pool.reservedRuns) {
            const QString range = run.first == run.last
                ? MacAddress(run.first).text()
                : MacAddress(run.first).text() + '-' + MacAddress(run.last).text();
            runs << QStringList { (run.host.isEmpty() ? QStringLiteral("-") : oneLine(run.host)), range,
                QString::number(run.chips) };
        }
        text += aligned(runs);
    }
    return text;
}
