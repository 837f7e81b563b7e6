#include "StationTile.h"

#include "ElidedLabel.h"
#include "FitLabel.h"
#include "FixtureKey.h"
#include "Station.h"
#include "StationCounters.h"
#include "WindowTiming.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {
struct StateLook {
    QColor background;
    QColor text;
};

const QColor failRed(0xd3, 0x2f, 0x2f);
const QColor blinkRed(0x8a, 0x12, 0x12);

StateLook lookOf(StationState state)
{
    switch (state) {
    case StationState::Idle:
    case StationState::NoAdapter:
        return { QColor(0x9e, 0x9e, 0x9e), Qt::black };
    case StationState::WaitingForChip:
        return { QColor(0x1e, 0x6f, 0xd9), Qt::white };
    case StationState::Downloading:
        return { QColor(0xf0, 0xa0, 0x00), Qt::black };
    case StationState::Passed:
        return { QColor(0x2e, 0x9d, 0x3a), Qt::white };
    case StationState::Failed:
    case StationState::PortError:
        return { failRed, Qt::white };
    case StationState::AdapterLost:
        return { QColor(0x6d, 0x0f, 0x0f), Qt::white };
    }
    return { Qt::gray, Qt::black };
}

QString seconds(qint64 ms)
{
    return QStringLiteral("%1 s").arg(double(ms) / 1000.0, 0, 'f', 1);
}
} // namespace

StationTile::StationTile(Station* station, QWidget* parent)
    : QFrame(parent)
    , watched(station)
{
    setObjectName(QStringLiteral("station:") + station->key());
    setFrameShape(QFrame::StyledPanel);
    setCursor(Qt::PointingHandCursor);
    buildWidgets();
    layOut();

    connect(switchBox, &QCheckBox::toggled, this, [this](bool on) {
        refresh();
        emit switchToggled(watched, on);
    });
    connect(labelEdit, &QLineEdit::editingFinished, this, [this] {
        if (labelEdit->text() == watched->label())
            return;
        watched->setLabel(labelEdit->text());
        emit labelEdited(watched->key(), labelEdit->text());
    });
    connect(startBtn, &QPushButton::clicked, this, [this] { emit startRequested(watched); });
    connect(stopBtn, &QPushButton::clicked, watched, &Station::stop);
    refreshTimer.setSingleShot(true);
    refreshTimer.setInterval(WindowTiming().stationRefresh);
    connect(&refreshTimer, &QTimer::timeout, this, &StationTile::refresh);
    tickTimer.setInterval(WindowTiming().tileBlink);
    connect(&tickTimer, &QTimer::timeout, this, &StationTile::tick);
    connect(station, &Station::stateChanged, this, &StationTile::noteState);
    connect(station, &Station::progressChanged, this, &StationTile::noteProgress);
    connect(station, &Station::countersChanged, this, &StationTile::scheduleRefresh);
    connect(station, &Station::chipIdentified, this, &StationTile::scheduleRefresh);
    connect(station, &Station::portChanged, this, &StationTile::showName);
    connect(station, &Station::chipCounted, this, [this](bool pass) {
        if (!pass)
            latch();
    });
    connect(station, &Station::stopped, this, &StationTile::refreshButtons);
    retranslate();
}

void StationTile::buildWidgets()
{
    switchBox = new QCheckBox(this);
    switchBox->setObjectName(QStringLiteral("switch"));
    switchBox->setChecked(true);
    nameLabel = new ElidedLabel(Qt::ElideLeft, this);
    nameLabel->setObjectName(QStringLiteral("name"));
    nameLabel->setStyleSheet(QStringLiteral("font-weight: bold;"));
    labelEdit = new QLineEdit(watched->label(), this);
    labelEdit->setObjectName(QStringLiteral("labelEdit"));
    labelEdit->setMinimumWidth(30);
    startBtn = new QPushButton(this);
    startBtn->setObjectName(QStringLiteral("startBtn"));
    stopBtn = new QPushButton(this);
    stopBtn->setObjectName(QStringLiteral("stopBtn"));
    for (QPushButton* button : { startBtn, stopBtn }) {
        button->setMinimumWidth(40);
        button->setMaximumWidth(60);
    }

    statePanel = new QFrame(this);
    statePanel->setObjectName(QStringLiteral("statePanel"));
    wordLabel = new FitLabel(statePanel);
    wordLabel->setObjectName(QStringLiteral("state"));
    detailLabel = new ElidedLabel(Qt::ElideRight, statePanel);
    detailLabel->setObjectName(QStringLiteral("detail"));
    detailLabel->setAlignment(Qt::AlignCenter);
    progress = new QProgressBar(statePanel);
    progress->setObjectName(QStringLiteral("progress"));
    progress->setFixedHeight(6);
    progress->setTextVisible(false);
    countersLabel = new ElidedLabel(Qt::ElideRight, this);
    countersLabel->setObjectName(QStringLiteral("counters"));
}

void StationTile::layOut()
{
    auto* panel = new QVBoxLayout(statePanel);
    panel->setContentsMargins(4, 0, 4, 3);
    panel->setSpacing(0);
    panel->addWidget(wordLabel, 1);
    panel->addWidget(detailLabel);
    panel->addWidget(progress);

    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(4, 3, 4, 3);
    layout->setVerticalSpacing(2);
    layout->setHorizontalSpacing(4);
    layout->addWidget(switchBox, 0, 0);
    layout->addWidget(nameLabel, 0, 1);
    layout->addWidget(labelEdit, 0, 2);
    layout->addWidget(startBtn, 0, 3);
    layout->addWidget(stopBtn, 0, 4);
    layout->addWidget(statePanel, 1, 0, 1, 5);
    layout->addWidget(countersLabel, 2, 0, 1, 5);
    // The operator's label is the fixture's name on the line: as wide as the port's.
    layout->setColumnStretch(1, 1);
    layout->setColumnStretch(2, 1);
    layout->setRowStretch(1, 1);
}

void StationTile::retranslate()
{
    switchBox->setText(tr("On"));
    labelEdit->setPlaceholderText(tr("label"));
    startBtn->setText(tr("Start"));
    stopBtn->setText(tr("Stop"));
    showName();
    showState();
    showCounters();
}

void StationTile::setSwitchedOn(bool on)
{
    switchBox->setChecked(on);
}

bool StationTile::isSwitchedOn() const
{
    return switchBox->isChecked();
}

void StationTile::setSwitchLocked(bool locked)
{
    switchBox->setEnabled(!locked);
}

void StationTile::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        if (latched)
            acknowledge();
        else
            emit logRequested(watched);
    }
    QFrame::mousePressEvent(event);
}

void StationTile::showEvent(QShowEvent* event)
{
    QFrame::showEvent(event);
    if (stale)
        refresh();
}

void StationTile::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    scaleSmallText();
}

// The lines under the word grow with the tile, within what a tile of
// sixteen on a small screen can hold.
void StationTile::scaleSmallText()
{
    const int pixels = std::clamp(height() / 11, 12, 22);
    const QString sheet = QStringLiteral("font-size: %1px;").arg(pixels);
    if (countersLabel->styleSheet() == sheet)
        return;
    countersLabel->setStyleSheet(sheet);
    detailLabel->setStyleSheet(sheet);
}

void StationTile::latch()
{
    latched = true;
    latchTime = QDateTime::currentDateTimeUtc();
    latchedReason = watched->reason();
    latchedChip = watched->chipId();
    blinkDark = false;
    tickTimer.start();
    scheduleRefresh();
    emit failureLatched(watched);
}

void StationTile::acknowledge()
{
    if (!latched)
        return;
    latched = false;
    latchedReason.clear();
    latchedChip.clear();
    refresh();
}

void StationTile::tick()
{
    if (latched) {
        blinkDark = !blinkDark;
        paintState(StationState::Failed);
    } else if (watched->state() == StationState::Downloading) {
        scheduleRefresh();
    } else {
        tickTimer.stop();
    }
}

void StationTile::noteState(StationState state)
{
    if (state != StationState::Downloading)
        progressDone = 0;
    else if (!tickTimer.isActive())
        tickTimer.start();
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

void StationTile::showName()
{
    const QString key = watched->key();
    QString name = key;
    if (FixtureKey::isSocket(key)) {
        const QString port = watched->port();
        name = port.isEmpty() ? tr("USB %1").arg(FixtureKey::socketOf(key))
                              : tr("USB %1 (%2)").arg(FixtureKey::socketOf(key), port);
    }
    nameLabel->setFullText(name);
}

QString StationTile::stateWord(StationState state) const
{
    switch (state) {
    case StationState::Idle:
        return isSwitchedOn() ? tr("Idle") : tr("Off");
    case StationState::NoAdapter:
        return tr("No adapter");
    case StationState::WaitingForChip:
        return tr("Waiting for a chip");
    case StationState::Downloading:
        return tr("Downloading");
    case StationState::Passed:
        return tr("PASS");
    case StationState::Failed:
        return tr("FAIL");
    case StationState::AdapterLost:
        return tr("Adapter lost");
    case StationState::PortError:
        return tr("Port error");
    }
    return QString();
}

QString StationTile::stateDetail(StationState state) const
{
    const QString chip = watched->chipId().isEmpty() ? QString() : tr("MAC %1").arg(watched->chipId());
    switch (state) {
    case StationState::Downloading: {
        const qint64 elapsed = watched->attemptStartedAt().msecsTo(QDateTime::currentDateTimeUtc());
        const QString progress
            = tr("%1%  %2").arg(progressDone * 100 / progressTotal).arg(seconds(std::max<qint64>(elapsed, 0)));
        return chip.isEmpty() ? progress : QStringLiteral("%1  %2").arg(progress, chip);
    }
    case StationState::Passed: {
        const QString time = watched->lastElapsedMs() > 0 ? seconds(watched->lastElapsedMs()) : QString();
        return chip.isEmpty() ? time : QStringLiteral("%1  %2").arg(time, chip);
    }
    case StationState::Failed:
        return chip.isEmpty() ? watched->reason() : QStringLiteral("%1  %2").arg(chip, watched->reason());
    case StationState::PortError:
        return watched->reason();
    default:
        return QString();
    }
}

void StationTile::showState()
{
    const StationState state = latched ? StationState::Failed : watched->state();
    wordLabel->setWord(stateWord(state));
    if (latched) {
        const QString chip = latchedChip.isEmpty() ? QString() : tr("MAC %1").arg(latchedChip) + QStringLiteral("  ");
        detailLabel->setFullText(chip + latchedReason);
    } else {
        detailLabel->setFullText(stateDetail(state));
    }
    paintState(state);
    showProgress();
    refreshButtons();
}

// A new style sheet repolishes the panel: only when the colours change.
void StationTile::paintState(StationState state)
{
    StateLook look = lookOf(state);
    if (latched && blinkDark)
        look.background = blinkRed;
    const QString styleSheet = QStringLiteral("QFrame#statePanel { background-color: %1; } QLabel { color: %2; }")
                                   .arg(look.background.name(), look.text.name());
    if (styleSheet != statePanel->styleSheet())
        statePanel->setStyleSheet(styleSheet);
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
    countersLabel->setFullText(tr("Total: %1  PASS: %2  FAIL: %3  FPY: %4%")
                                   .arg(counters.total)
                                   .arg(counters.pass)
                                   .arg(counters.fail)
                                   .arg(counters.fpyPercent()));
}

void StationTile::refreshButtons()
{
    const bool running = watched->isRunning();
    startBtn->setEnabled(!running && isSwitchedOn());
    stopBtn->setEnabled(running);
}
