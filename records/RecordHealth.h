#pragma once

#include <QDateTime>
#include <QMetaType>
#include <QString>

// How a program's production records fare: where they go, how many wait for
// the line's server, and the last thing that went wrong (empty once a write
// or a forwarding succeeds again).
struct RecordHealth {
    bool server = false; // the line's server is configured
    QString store; // the server's URL without secrets, or the local file
    int waiting = 0; // rows in the local outbox
    QDateTime oldestWaiting; // when the oldest waiting row's attempt started (UTC); invalid when none wait
    int setAside = 0; // rows the server refused for what they hold
    QString lastError;
    bool notStored = false; // lastError is the local file's: rows are not kept at all

    bool healthy() const { return lastError.isEmpty() && waiting == 0 && setAside == 0; }
};

Q_DECLARE_METATYPE(RecordHealth)
