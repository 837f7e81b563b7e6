#pragma once

#include "AttemptRow.h"
#include "RecordLocation.h"
#include "RecordStore.h"
#include "RecordTiming.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QTimer>

#include <memory>

// Writes rows where the location says, on the thread it lives on. With a
// server, rows the server cannot take wait in the local file's outbox and
// are forwarded later; the server keeps each row once, by its id.
class RecordWriter : public QObject {
    Q_OBJECT

public:
    RecordWriter(const RecordLocation& location, const RecordTiming& timing, QObject* parent = nullptr);
    ~RecordWriter() override;

    // Stores the row, else keeps it for the server, else says why not (sngTrouble).
    void write(const AttemptRow& row);
    // Offers the outbox to the server: the rows it took, or -1 when it cannot be reached.
    int forward();
    // Opens the local file at once, so the first attempt does not wait for it;
    // with a server, forwards now and then every forwardInterval.
    void prepare();
    // Closes the connections; called on the writer's thread before it ends.
    void shutdown();

    QString lastError() const { return error; }

signals:
    void sngTrouble(const QString& why);
    // With a server configured that this PC cannot reach at all: every row stays in the outbox.
    void sngOutboxOnly(const QString& why);
    void sngForwarded(int rows);

private:
    bool serverReady();
    bool localReady();
    bool storeOnServer(const AttemptRow& row);
    void describeAdapter(RecordContext& context);

    RecordLocation location;
    RecordTiming timing;
    std::unique_ptr<RecordStore> local;
    std::unique_ptr<RecordStore> server;
    QElapsedTimer sinceServerFailed;
    QTimer forwardTimer;
    QHash<QString, RecordContext> adapters; // by station: who was looked up already
    QString error;
};
