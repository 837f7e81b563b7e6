#pragma once

#include "StationState.h"

#include <QFrame>
#include <QTimer>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class Station;
struct StationCounters;

// One station on the station window: its port and the operator's label, its
// state in colour (with the progress while downloading), its own counters and
// its Start and Stop. A click on the tile asks for the station's whole log.
// What the station reports is shown at most every WindowTiming::stationRefresh,
// and only while the tile is visible.
class StationTile : public QFrame {
    Q_OBJECT

public:
    explicit StationTile(Station* station, QWidget* parent = nullptr);

    Station* station() const { return watched; }
    void retranslate();

signals:
    void logRequested(Station* station);
    void startRequested(Station* station);
    void labelEdited(const QString& port, const QString& label);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void noteState(StationState state);
    void noteProgress(int done, int total);
    void scheduleRefresh();
    void refresh();
    void showState();
    void showProgress();
    void showCounters();
    void refreshButtons();

    Station* watched;
    QLabel* portLabel = nullptr;
    QLineEdit* labelEdit = nullptr;
    QLabel* stateLabel = nullptr;
    QProgressBar* progress = nullptr;
    QLabel* countersLabel = nullptr;
    QPushButton* startBtn = nullptr;
    QPushButton* stopBtn = nullptr;
    QTimer refreshTimer;
    bool stale = false; // the station reported something the tile does not show yet
    int progressDone = 0; // of the chip being downloaded
    int progressTotal = 1;
};
