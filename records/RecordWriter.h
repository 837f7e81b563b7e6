#pragma once

#include "AttemptRow.h"
#include "RecordLocation.h"
#include "RecordStore.h"
#include "RecordTiming.h"

#include <QObject>

#include <memory>

// Writes rows into the local file on the thread it lives on: the records
// themselves, or with a line server the outbox, from where a RecordForwarder
// takes them. The local file never waits for the network, so a row is kept
// whatever the server does.
class RecordWriter : public QObject {
    Q_OBJECT

public:
    RecordWriter(const RecordLocation& location, const RecordTiming& timing, QObject* parent = nullptr);
    ~RecordWriter() override;

    // Stores the row (sngStored), else says why not (sngTrouble).
    void write(const AttemptRow& row);
    // Opens the local file at once, so the first attempt does not wait for it.
    void prepare();
    // Closes the file; called on the writer's thread before it ends.
    void shutdown();

    QString lastError() const { return error; }

signals:
    void sngStored();
    void sngTrouble(const QString& why);

private:
    bool localReady();
    void describeAdapter(AttemptRow& row);

    RecordLocation location;
    RecordTiming timing;
    std::unique_ptr<RecordStore> local;
    QString describedAttempt; // the attempt whose adapter was looked up last...
    RecordContext described; // ...and what was found
    QString error;
};
