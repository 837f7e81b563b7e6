#pragma once

#include "RecordLocation.h"
#include "ShiftClock.h"
#include "ShiftReader.h"

#include <QThread>
#include <QTimer>
#include <QWidget>

#include <functional>

class QBarCategoryAxis;
class QBarSet;
class QChart;
class QComboBox;
class QLabel;
class QTableWidget;
class QValueAxis;

// The "Shift" panel: this shift's attempts as the records hold them (every
// program's, not only since a window opened) and a chart of passes and
// failures per hour, for all stations or one. The records are read on a
// thread of the panel's own.
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
    QStringList stations() const;
    void selectStation(const QString& station);
    // Sets the panel's texts again in the language now loaded.
    void retranslate();

public slots:
    // Reads the records again (also every refreshInterval, and a window may
    // call it when an attempt ends).
    void refresh();

signals:
    void sngShown(); // a reading of the records is on screen
    void sngRequestRead(const QDateTime& shiftStart);

private:
    void buildChart();
    void showSnapshot(const ShiftSnapshot& snapshot);
    void showSelection();
    void fillTable(const QString& station);
    void fillChart();
    QString selectedStation() const;

    ShiftSchedule schedule;
    std::function<QDateTime()> clock;
    QThread readerThread;
    ShiftReader* reader = nullptr;
    QTimer refreshTimer;
    bool reading = false;
    ShiftSnapshot snapshot;
    QList<ShiftHour> hours;

    QComboBox* stationBox = nullptr;
    QLabel* summary = nullptr;
    QTableWidget* table = nullptr;
    QChart* chart = nullptr;
    QBarSet* passSet = nullptr;
    QBarSet* failSet = nullptr;
    QBarCategoryAxis* hourAxis = nullptr;
    QValueAxis* countAxis = nullptr;
};
