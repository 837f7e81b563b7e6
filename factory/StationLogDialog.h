#pragma once

#include "LogView.h"

#include <QDialog>
#include <QList>
#include <QTimer>

#include <memory>

class Station;
class QTextEdit;

// A station's whole coloured log, following its new lines while it is open.
class StationLogDialog : public QDialog {
    Q_OBJECT

public:
    explicit StationLogDialog(Station* station, QWidget* parent = nullptr);
    ~StationLogDialog() override;

    QTextEdit* view() const { return edit; }

private:
    void queueLine(const QString& text, const QColor& color);
    void appendQueued();

    QTextEdit* edit = nullptr;
    std::unique_ptr<LogView> log;
    // Lines received since the view was last drawn, appended together.
    QList<LogView::Line> queued;
    QTimer appendTimer;
};
