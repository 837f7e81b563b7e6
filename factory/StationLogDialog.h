#pragma once

#include "LogView.h"

#include <QDialog>
#include <QList>
#include <QTimer>

#include <memory>

class QLabel;
class QTextEdit;
class Station;

// A station's coloured log (the lines the station keeps in memory), following
// its new lines while it is open, and where the run log keeps every line.
class StationLogDialog : public QDialog {
    Q_OBJECT

public:
    explicit StationLogDialog(Station* station, QWidget* parent = nullptr);
    ~StationLogDialog() override;

    QTextEdit* view() const { return edit; }

private:
    void queueLine(const QString& text, const QColor& color);
    void appendQueued();
    void showNote();

    Station* watched;
    QLabel* note = nullptr;
    QTextEdit* edit = nullptr;
    std::unique_ptr<LogView> log;
    // Lines received since the view was last drawn, appended together.
    QList<LogView::Line> queued;
    QTimer appendTimer;
};
