#pragma once

#include "AttemptRow.h"
#include "RecordHealth.h"
#include "RecordLocation.h"
#include "RecordStore.h"
#include "RecordTiming.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <memory>

// Offers the local outbox to the line's server, on the thread it lives on:
// after every row kept (forwardSoon), every forwardInterval, and when asked.
// The server keeps each row once, by its id. A row the server refuses for
// what it holds is set aside, so that the rows behind it still go through.
class RecordForwarder : public QObject {
    Q_OBJECT

public:
    RecordForwarder(const RecordLocation& location, const RecordTiming& timing, QObject* parent = nullptr);
    ~RecordForwarder() override;

    // The rows the server took, or -1 when it could not be reached (lastError).
    // A pass still going at the deadline ends after the row at hand.
    int forward(const QDeadlineTimer& deadline = QDeadlineTimer(QDeadlineTimer::Forever));
    // Forwards now, then every forwardInterval.
    void prepare();
    // Forwards once the calls queued before it are done: many rows kept in a burst cost one pass.
    void forwardSoon();
    void shutdown();

    QString lastError() const { return error; }
    // The outbox as the last pass left it.
    RecordHealth health() const { return state; }

signals:
    void sngForwarded(int rows);
    void sngHealth(const RecordHealth& health);

private:
    bool localReady();
    bool serverReady();
    bool storeOnServer(const AttemptRow& row);
    void updateHealth(const QString& why, bool outboxFailed = false);

    RecordLocation location;
    RecordTiming timing;
    std::unique_ptr<RecordStore> local;
    std::unique_ptr<RecordStore> server;
    QElapsedTimer sinceServerFailed;
    QTimer forwardTimer;
    QTimer soonTimer;
    RecordHealth state;
    QString error;
};
