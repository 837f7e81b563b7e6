#pragma once

#include "AttemptRow.h"
#include "RecordLocation.h"
#include "RecordStore.h"
#include "ShiftSummary.h"

#include <QDateTime>
#include <QList>
#include <QMetaType>
#include <QObject>

#include <memory>

// What the records say about one shift, or why they could not be read.
struct ShiftSnapshot {
    QDateTime start;
    QString host; // the PC whose attempts these are; empty: the whole line's
    ShiftSummary summary;
    QList<AttemptRow> rows; // only from a reader that keeps them
    QString error;
};
Q_DECLARE_METATYPE(ShiftSnapshot)

// Reads a shift's attempts on the thread it lives on, so that a slow or absent
// server never holds up the window.
class ShiftReader : public QObject {
    Q_OBJECT

public:
    // The panel's reader keeps only the summary, read again all shift long;
    // a reader that keeps the rows as well is for a reading once in a while.
    enum class Keep { Summary, Rows };
    explicit ShiftReader(const RecordLocation& location, Keep keep = Keep::Summary, QObject* parent = nullptr);
    ~ShiftReader() override;

public slots:
    // host empty: every PC's attempts.
    void read(const QDateTime& shiftStart, const QString& host);

signals:
    void sngRead(const ShiftSnapshot& snapshot);

private:
    RecordLocation location;
    Keep keep;
    std::unique_ptr<RecordStore> store;
};
