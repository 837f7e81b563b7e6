#pragma once

#include "StationState.h"

#include <QDateTime>
#include <QFrame>
#include <QTimer>

class ElidedLabel;
class FitLabel;
class QCheckBox;
class QLineEdit;
class QProgressBar;
class QPushButton;
class Station;

// One station on the station window, readable from the bench: its state or
// result as a large word on its colour, under it the reason, the time and
// progress and the chip's MAC, then the station's counters. Its name, label,
// on/off switch and its Start and Stop sit on top.
// A chip that fails latches the tile: red, blinking, with the reason, until
// the operator acknowledges it (a click on the tile, or Space in the window),
// whatever the station does meanwhile. A click on a tile without a failure
// to acknowledge asks for the station's whole log.
// What the station reports is shown at most every WindowTiming::stationRefresh,
// and only while the tile is visible.
class StationTile : public QFrame {
    Q_OBJECT

public:
    explicit StationTile(Station* station, QWidget* parent = nullptr);

    Station* station() const { return watched; }
    void retranslate();

    bool isLatched() const { return latched; }
    QDateTime latchedAt() const { return latchTime; }
    void acknowledge();

    // The station's switch: off, it is not started and shows "Off".
    void setSwitchedOn(bool on);
    bool isSwitchedOn() const;
    // The switch belongs to the recipe: locked with it.
    void setSwitchLocked(bool locked);

signals:
    void logRequested(Station* station);
    void startRequested(Station* station);
    void labelEdited(const QString& key, const QString& label);
    void switchToggled(Station* station, bool on);
    void failureLatched(Station* station);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildWidgets();
    void layOut();
    void latch();
    void tick();
    void noteState(StationState state);
    void noteProgress(int done, int total);
    void scheduleRefresh();
    void refresh();
    void showName();
    void showState();
    QString stateWord(StationState state) const;
    QString stateDetail(StationState state) const;
    void paintState(StationState state);
    void showProgress();
    void showCounters();
    void refreshButtons();
    void scaleSmallText();

    Station* watched;
    QCheckBox* switchBox = nullptr;
    ElidedLabel* nameLabel = nullptr;
    QLineEdit* labelEdit = nullptr;
    QPushButton* startBtn = nullptr;
    QPushButton* stopBtn = nullptr;
    QFrame* statePanel = nullptr;
    FitLabel* wordLabel = nullptr;
    ElidedLabel* detailLabel = nullptr;
    QProgressBar* progress = nullptr;
    ElidedLabel* countersLabel = nullptr;
    QTimer refreshTimer;
    QTimer tickTimer; // blinks a latched failure, and moves the time of a download on
    bool stale = false; // the station reported something the tile does not show yet
    int progressDone = 0; // of the chip being downloaded
    int progressTotal = 1;
    bool latched = false;
    bool blinkDark = false;
    QDateTime latchTime;
    QString latchedReason;
    QString latchedChip;
};
