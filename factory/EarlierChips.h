#pragma once

#include "RecordLocation.h"
#include "ShiftReader.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QThread>

class Station;

// This shift's chips from before a moment (the program's start, or a
// fixture's return to the line), read from the production records off the
// GUI thread and added to each station's counters, so that a restart or a
// power cut does not start a shift's counters at zero.
class EarlierChips : public QObject {
    Q_OBJECT

public:
    explicit EarlierChips(const RecordLocation& location, QObject* parent = nullptr);
    ~EarlierChips() override;

    // The stations' chips started in [since, before).
    void add(const QList<Station*>& stations, const QDateTime& since, const QDateTime& before);

signals:
    void added(const QString& error); // empty when the records were read
    void requestRead(const QDateTime& since, const QString& host);

private:
    void take(const ShiftSnapshot& snapshot);

    struct Request {
        QList<QPointer<Station>> stations;
        QDateTime since;
        QDateTime before;
    };
    QThread thread;
    ShiftReader* reader = nullptr;
    QList<Request> pending; // answered in order
};
