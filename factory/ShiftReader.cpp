#include "ShiftReader.h"

#include "RecordQuery.h"

#include <QFileInfo>

ShiftReader::ShiftReader(const RecordLocation& location, QObject* parent)
    : QObject(parent)
    , location(location)
{ }

ShiftReader::~ShiftReader() = default;

void ShiftReader::read(const QDateTime& shiftStart, const QString& host)
{
    ShiftSnapshot snapshot;
    snapshot.start = shiftStart;
    snapshot.host = host;
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
    if (!query.attempts(filter, snapshot.rows)) {
        snapshot.error = query.lastError();
        store->close();
    }
    emit sngRead(snapshot);
}
