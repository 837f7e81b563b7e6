#include "RecordWriter.h"

RecordWriter::RecordWriter(const RecordLocation& location, const RecordTiming& timing, QObject* parent)
    : QObject(parent)
    , location(location)
    , timing(timing)
{ }

RecordWriter::~RecordWriter() = default;

void RecordWriter::shutdown()
{
    local.reset();
}

void RecordWriter::prepare()
{
    localReady();
}

bool RecordWriter::localReady()
{
    if (local && local->isOpen())
        return true;
    local = std::make_unique<RecordStore>();
    if (local->openLocal(location.sqlitePath, timing))
        return true;
    error = local->lastError();
    return false;
}

// Once per attempt: an adapter swapped between two chips is a new adapter,
// while the two rows of one attempt name the same.
void RecordWriter::describeAdapter(AttemptRow& row)
{
    if (row.id != describedAttempt) {
        described = row.context;
        described.describeAdapter();
        describedAttempt = row.id;
    }
    row.context.portSerial = described.portSerial;
    row.context.portLocation = described.portLocation;
}

void RecordWriter::write(const AttemptRow& given)
{
    AttemptRow row = given;
    describeAdapter(row);
    if (localReady() && (location.server ? local->keepForServer(row) : local->store(row))) {
        emit sngStored();
        return;
    }
    if (local)
        error = local->lastError();
    local.reset();
    emit sngTrouble(error);
}
