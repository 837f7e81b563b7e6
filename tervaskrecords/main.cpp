// tervaskrecords: lists, exports and sums up the production records,
// forwards the rows waiting for the line's server, says how they fare, and
// tells a chip's attempts and the MAC address pools.
#include "MacPoolQuery.h"
#include "RecordForwarder.h"
#include "RecordQuery.h"
#include "RecordStore.h"
#include "RecordsArguments.h"
#include "RecordsReport.h"
#include "Utf8Console.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <cstdio>

namespace {

enum ExitStatus {
    ExitDone = 0,
    ExitUsage = 1,
    ExitUnreachable = 2,
    ExitRowsWaiting = 3,
};

void print(std::FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

int unreachable(const QString& why)
{
    print(stderr, QStringLiteral("Error: the records cannot be reached: %1\n").arg(why));
    return ExitUnreachable;
}

int forward(const RecordLocation& location)
{
    if (!location.server) {
        print(stdout, QStringLiteral("No records server is configured: nothing to forward.\n"));
        return ExitDone;
    }
    RecordForwarder forwarder(location, RecordTiming());
    const int rows = forwarder.forward();
    if (rows < 0)
        return unreachable(forwarder.lastError());
    print(stdout, QStringLiteral("Forwarded %1 rows to %2.\n").arg(rows).arg(location.describe()));
    return ExitDone;
}

// The local file's outbox and set-aside rows, and whether the store answers now.
RecordHealth currentHealth(const RecordLocation& location)
{
    RecordHealth health;
    health.server = location.server;
    health.store = location.describe();
    if (!location.server && !QFileInfo::exists(location.sqlitePath)) {
        health.lastError = QStringLiteral("%1 does not exist").arg(QDir::toNativeSeparators(location.sqlitePath));
        return health;
    }
    if (location.server && QFileInfo::exists(location.sqlitePath)) {
        RecordStore local;
        if (!local.openLocal(location.sqlitePath, RecordTiming())
            || !local.outboxState(health.waiting, health.oldestWaiting)) {
            health.lastError = local.lastError();
            return health;
        }
        health.setAside = std::max(0, local.setAsideCount());
    }
    RecordStore store;
    if (!store.open(location, RecordTiming()))
        health.lastError = store.lastError();
    return health;
}

int status(const RecordLocation& location)
{
    const RecordHealth health = currentHealth(location);
    print(stdout, RecordsReport::status(health));
    if (!health.lastError.isEmpty())
        return ExitUnreachable;
    return health.healthy() ? ExitDone : ExitRowsWaiting;
}

// The file appears whole or not at all: a failed export leaves no half file behind.
int exportCsv(const QString& path, RecordQuery& query, const RecordFilter& filter)
{
    QSaveFile file(path);
    bool written = file.open(QIODevice::WriteOnly) && file.write(RecordsReport::csvHeader()) >= 0;
    const bool read = written && query.eachAttempt(filter, [&file, &written](const AttemptRow& row) {
        written = written && file.write(RecordsReport::csvLine(row)) >= 0;
    });
    if (written && !read) {
        file.cancelWriting();
        return unreachable(query.lastError());
    }
    if (!written || !file.commit()) {
        print(stderr, QStringLiteral("Error: cannot write %1: %2\n").arg(path, file.errorString()));
        return ExitUsage;
    }
    return ExitDone;
}

// Two passes over the rows, one for the columns' widths and one to print:
// memory stays the same however many rows there are.
int printList(RecordQuery& query, const RecordFilter& filter)
{
    const QStringList heading = RecordsReport::listHeading();
    QList<int> widths;
    RecordsReport::widen(widths, heading);
    if (!query.eachAttempt(
            filter, [&widths](const AttemptRow& row) { RecordsReport::widen(widths, RecordsReport::listCells(row)); }))
        return unreachable(query.lastError());
    QString text = RecordsReport::alignedLine(heading, widths);
    const bool read = query.eachAttempt(filter, [&text, &widths](const AttemptRow& row) {
        text += RecordsReport::alignedLine(RecordsReport::listCells(row), widths);
        if (text.size() > 65536) {
            print(stdout, text);
            text.clear();
        }
    });
    print(stdout, text);
    return read ? ExitDone : unreachable(query.lastError());
}

int report(const RecordsArguments& arguments, RecordStore& store)
{
    if (arguments.command == RecordsArguments::Command::Pool) {
        MacPoolQuery pools(store);
        QList<MacPoolQuery::PoolFigures> figures;
        if (!pools.pools(figures))
            return unreachable(pools.lastError());
        print(stdout, RecordsReport::pools(figures));
        return ExitDone;
    }
    RecordQuery query(store);
    if (arguments.command == RecordsArguments::Command::Yield) {
        QList<RecordQuery::YieldGroup> groups;
        QList<RecordQuery::ReasonCount> reasons;
        if (!query.yield(arguments.filter, arguments.grouping, groups)
            || !query.commonFailures(arguments.filter, 5, reasons))
            return unreachable(query.lastError());
        print(stdout, RecordsReport::yield(groups, reasons));
        return ExitDone;
    }
    if (arguments.command == RecordsArguments::Command::Export)
        return exportCsv(arguments.csvPath, query, arguments.filter);
    if (arguments.command == RecordsArguments::Command::List)
        return printList(query, arguments.filter);
    QList<AttemptRow> rows;
    if (!query.attempts(arguments.filter, rows))
        return unreachable(query.lastError());
    print(stdout, RecordsReport::chip(arguments.filter.chipId, rows));
    return ExitDone;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const Utf8Console console;
    const RecordsArguments arguments = RecordsArguments::parse(app.arguments(), QDateTime::currentDateTime());
    if (!arguments.error.isEmpty()) {
        print(stderr, QStringLiteral("Error: %1\n%2").arg(arguments.error, RecordsArguments::usage()));
        return ExitUsage;
    }
    const RecordLocation location = RecordLocation::resolve(QCoreApplication::applicationDirPath());
    if (arguments.command == RecordsArguments::Command::Forward)
        return forward(location);
    if (arguments.command == RecordsArguments::Command::Status)
        return status(location);
    if (!location.server && !QFileInfo::exists(location.sqlitePath))
        return unreachable(QStringLiteral("%1 does not exist").arg(QDir::toNativeSeparators(location.sqlitePath)));
    RecordStore store;
    if (!store.open(location, RecordTiming()))
        return unreachable(store.lastError());
    return report(arguments, store);
}
