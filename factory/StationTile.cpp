#include "StationTile.h"

#include "Station.h"
#include "StationCounters.h"
#include "WindowTiming.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>

namespace {
struct StateLook {
    QColor background;
    QColor text;
};

StateLook lookOf(StationState state)
{
    switch (state) {
    case StationState::Idle:
        return { QColor(0x9e, 0x9e, 0x9e), Qt::black };
    case StationState::WaitingForChip:
        return { QColor(0x1e, 0x6f, 0xd9), Qt::white };
    case StationState::Downloading:
        return { QColor(0xf0, 0xa0, 0x00), Qt::black };
    case StationState::Passed:
        return { QColor(0x2e, 0x9d, 0x3a), Qt::white };
    case StationState::Failed:
    case StationState::PortError:
        return { QColor(0xd3, 0x2f, 0x2f), Qt::white };
    case StationState::AdapterLost:
        return { QColor(0x6d, 0x0f, 0x0f), Qt::white };
    }
    return { Qt::gray, Qt::black };
}
} // namespace

StationTile::StationTile(Station* station, QWidget* parent)
    : QFrame(parent)
    , watched(station)
{
    setObjectName(QStringLiteral("station:") + station->port());
    setFrameShape(QFrame::StyledPanel);
    setCursor(Qt::PointingHandCursor);

    portLabel = new QLabel(station->port(), this);
    portLabel->setStyleSheet(QStringLiteral("font-weight: bold;"));
    labelEdit = new QLineEdit(station->label(), this);
    labelEdit->setObjectName(QStringLiteral("labelEdit"));
    stateLabel = new QLabel(this);
    stateLabel->setObjectName(QStringLiteral("state"));
    stateLabel->setAlignment(Qt::AlignCenter);
    stateLabel->setMinimumHeight(30);
    stateLabel->setWordWrap(true);
    progress = new QProgressBar(this);
    progress->setObjectName(QStringLiteral("progress"));
    progress->setFixedHeight(10);
    progress->setTextVisible(false);
    countersLabel = new QLabel(this);
    countersLabel->setObjectName(QStringLiteral("counters"));
    startBtn = new QPushButton(this);
    startBtn->setObjectName(QStringLiteral("startBtn"));
    stopBtn = new QPushButton(this);
    stopBtn->setObjectName(QStringLiteral("stopBtn"));

    // Sixteen tiles in four columns share 1366 pixels: the buttons sit beside
    // the label and every row may shrink to about 300 pixels.
    labelEdit->setMinimumWidth(40);
    for (QPushButton* button : { startBtn, stopBtn }) {
        button->setMinimumWidth(44);
        button->setMaximumWidth(72);
    }
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(6, 4, 6, 4);
    layout->setVerticalSpacing(3);
    layout->setHorizontalSpacing(4);
    layout->addWidget(portLabel, 0, 0);
    layout->addWidget(labelEdit, 0, 1);
    layout->addWidget(startBtn, 0, 2);
    layout->addWidget(stopBtn, 0, 3);
    layout->addWidget(stateLabel, 1, 0, 1, 4);
    layout->addWidget(progress, 2, 0, 1, 4);
    layout->addWidget(countersLabel, 3, 0, 1, 4);
    layout->setColumnStretch(1, 1);

    connect(labelEdit, &QLineEdit::editingFinished, this, [this] {
        watched->setLabel(labelEdit->text());
        emit labelEdited(watched->port(), labelEdit->text());
    });
    connect(startBtn, &QPushButton::clicked, this, [this] { emit startRequested(watched); });
    connect(stopBtn, &QPushButton::clicked, watched, &Station::stop);
    refreshTimer.setSingleShot(true);
    refreshTimer.setInterval(WindowTiming().stationRefresh);
    connect(&refreshTimer, &QTimer::timeout, this, &StationTile::refresh);
    connect(station, &Station::stateChanged, this, &StationTile::noteState);
    connect(station, &Station::progressChanged, this, &StationTile::noteProgress);
    connect(station, &Station::countersChanged, this, &StationTile::scheduleRefresh);
    connect(station, &Station::stopped, this, &StationTile::refreshButtons);
    retranslate();
}

void StationTile::retranslate()
{
    labelEdit->setPlaceholderText(tr("label"));
    startBtn->setText(tr("Start"));
    stopBtn->setText(tr("Stop"));
    showState();
    showCounters();
}

void StationTile::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        emit logRequested(watched);
    QFrame::mousePressEvent(event);
}

void StationTile::showEvent(QShowEvent* event)
{
    QFrame::showEvent(event);
    if (stale)
        refresh();
}

void StationTile::noteState(StationState state)
{
    if (state != StationState::Downloading)
        progressDone = 0;
    scheduleRefresh();
}

void StationTile::noteProgress(int done, int total)
{
    progressTotal = qMax(total, 1);
    progressDone = qBound(0, done, progressTotal);
    scheduleRefresh();
}

void StationTile::scheduleRefresh()
{
    stale = true;
    if (!refreshTimer.isActive())
        refreshTimer.start();
}

// A hidden tile is brought up to date when it is shown again.
void StationTile::refresh()
{
    if (!isVisible())
        return;
    stale = false;
    showState();
    showCounters();
}

void StationTile::showState()
{
    const StationState state = watched->state();
    QString text;
    switch (state) {
    case StationState::Idle:
        text = tr("Idle");
        break;
    case StationState::WaitingForChip:
        text = tr("Waiting for a chip");
        break;
    case StationState::Downloading:
        text = tr("Downloading");
        break;
    case StationState::Passed:
        text = watched->lastElapsedMs() > 0 ? tr("PASS  %1 s").arg(double(watched->lastElapsedMs()) / 1000.0, 0, 'f', 1)
                                            : tr("PASS");
        break;
    case StationState::Failed:
        text = watched->reason().isEmpty() ? tr("FAIL") : tr("FAIL: %1").arg(watched->reason());
        break;
    case StationState::AdapterLost:
        text = tr("Adapter lost");
        break;
    case StationState::PortError:
        text = watched->reason();
        break;
    }
    const StateLook look = lookOf(state);
    stateLabel->setText(text);
    // A new style sheet repolishes the label: only when the colours change.
    const QString styleSheet = QStringLiteral("background-color: %1; color: %2; font-weight: bold; padding: 2px;")
                                   .arg(look.background.name(), look.text.name());
    if (styleSheet != stateLabel->styleSheet())
        stateLabel->setStyleSheet(styleSheet);
    showProgress();
    refreshButtons();
}

// QProgressBar::setValue draws at once: it is called only for a new value.
void StationTile::showProgress()
{
    const int done = watched->state() == StationState::Downloading ? progressDone : 0;
    if (progress->maximum() != progressTotal)
        progress->setRange(0, progressTotal);
    if (progress->value() != done)
        progress->setValue(done);
}

void StationTile::showCounters()
{
    const StationCounters counters = watched->counters();
    countersLabel->setText(tr("Total: %1  PASS: %2  FAIL: %3  FPY: %4%")
                               .arg(counters.total)
                               .arg(counters.pass)
                               .arg(counters.fail)
                               .arg(counters.fpyPercent()));
}

void StationTile::refreshButtons()
{
    const bool running = watched->isRunning();
    startBtn->setEnabled(!running);
    stopBtn->setEnabled(running);
}
