#include "ShiftReader.h"

#include "RecordQuery.h"

#include <QFileInfo>

ShiftReader::ShiftReader(const RecordLocation& location, Keep keep, QObject* parent)
    : QObject(parent)
    , location(location)
    , keep(keep)
{ }

ShiftReader::~ShiftReader() = default;

void ShiftReader::read(const QDateTime& shiftStart, const QString& host)
{
    ShiftSnapshot snapshot;
    snapshot.start = shiftStart;
    snapshot.host = host;
    snapshot.summary = ShiftSummary(shiftStart);
    if (!location.server && !QFileInfo::exists(location.sqlitePath)) {
        emit sngRead(snapshot); // nothing recorded yet
        return;
    }
    if (!store || !store->isOpen()) {
        store = std::make_unique<RecordStore>();
        if (!store->open(location, RecordTiming())) {
            snapshot.error = store->lastError();
            emit sngRead(snapshot);
            return;
        }
    }
    RecordFilter filter;
    filter.since = shiftStart;
    filter.host = host;
    RecordQuery query(*store);
    const bool read = query.eachAttempt(filter, [this, &snapshot](const AttemptRow& row) {
        snapshot.summary.add(row);
        if (keep == Keep::Rows)
            snapshot.rows << row;
    });
    if (!read) {
        snapshot.error = query.lastError();
        store->close();
    }
    emit sngRead(snapshot);
}
