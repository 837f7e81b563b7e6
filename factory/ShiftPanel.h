#pragma once

#include "RecordLocation.h"
#include "ShiftClock.h"
#include "ShiftReader.h"

#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

class QBarCategoryAxis;
class QBarSet;
class QChart;
class QComboBox;
class QLabel;
class QTableWidget;
class QValueAxis;
class RecordThread;

// The "Shift" panel: this shift's attempts as the records hold them (every
// program's, not only since a window opened) and a chart of passes and
// failures per hour, for all stations or one: this PC's, or with a line
// server on request the whole line's, where a station is "PC/port". The
// records are read on a thread of the panel's own.
class ShiftPanel : public QWidget {
    Q_OBJECT

public:
    explicit ShiftPanel(
        const RecordLocation& location, const ShiftSchedule& schedule = ShiftSchedule(), QWidget* parent = nullptr);
    ~ShiftPanel() override;

    // Tests set the time of day.
    void setClock(std::function<QDateTime()> now) { clock = std::move(now); }

    // What the panel shows now, for tests.
    int attemptsShown() const;
    QList<ShiftHour> hoursShown() const { return hours; }
    QStringList stations() const; // as the list shows them
    void selectStation(const QString& station);
    // Every PC's attempts instead of this one's.
    void showWholeLine(bool whole);
    // Sets the panel's texts again in the language now loaded.
    void retranslate();

public slots:
    // Reads the records again (also every refreshInterval, and a window may
    // call it when an attempt ends).
    void refresh();

signals:
    void sngShown(); // a reading of the records is on screen
    void sngRequestRead(const QDateTime& shiftStart, const QString& host);

private:
    void buildChart();
    void showSnapshot(const ShiftSnapshot& snapshot);
    void showSelection();
    void fillTable(const QString& station);
    void fillChart();
    void fitCountAxis();
    QString selectedStation() const;
    QString stationName(const QString& key, const QString& port) const;
    static QString resultName(const QString& result);
    bool wholeLine() const;

    ShiftSchedule schedule;
    std::function<QDateTime()> clock;
    QString thisHost;
    ShiftReader* reader = nullptr;
    std::unique_ptr<RecordThread> readerThread;
    QTimer refreshTimer;
    bool reading = false;
    ShiftSnapshot snapshot;
    QList<ShiftHour> hours;
    int highestCount = 0;

    QComboBox* scopeBox = nullptr;
    QComboBox* stationBox = nullptr;
    QLabel* summary = nullptr;
    QTableWidget* table = nullptr;
    QChart* chart = nullptr;
    QBarSet* passSet = nullptr;
    QBarSet* failSet = nullptr;
    QBarCategoryAxis* hourAxis = nullptr;
    QValueAxis* countAxis = nullptr;
};
