#include "FactoryWindow.h"

#include "EventWait.h"
#include "IdentitySettings.h"
#include "MacPool.h"
#include "RecipePanel.h"
#include "RecordLocation.h"
#include "RecordsStatus.h"
#include "ShiftPanel.h"
#include "Station.h"
#include "StationLogDialog.h"
#include "StationRecorder.h"
#include "StationTile.h"
#include "WindowTiming.h"
#include "WindowToolBar.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QSysInfo>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {
const QString toolVersion = QStringLiteral("V%1.%2.%3")
                                .arg(TERVASK_VERSION_MAJOR, 2, 10, QLatin1Char('0'))
                                .arg(TERVASK_VERSION_MINOR, 2, 10, QLatin1Char('0'))
                                .arg(TERVASK_VERSION_PATCH, 2, 10, QLatin1Char('0'));

// Four columns hold sixteen tiles on a 1366 x 768 screen.
int columnsFor(int stations)
{
    if (stations <= 1)
        return 1;
    if (stations <= 4)
        return 2;
    if (stations <= 9)
        return 3;
    return 4;
}
} // namespace

FactoryWindow::FactoryWindow(const FactoryCommandLine& line, QWidget* parent)
    : QMainWindow(parent)
    , recipe(Recipe::load(Recipe::defaultPath()))
{
    if (!line.ports.isEmpty())
        recipe.ports = line.ports;
    if (!line.file.isEmpty())
        recipe.FileName = line.file;
    recipe.ports = recipe.ports.mid(0, FactoryCommandLine::maxStations);

    setWindowIcon(QIcon(QStringLiteral(":/images/MainWnd.ico")));
    toolBar = new WindowToolBar(this, WindowToolBar::AboutOnly);
    connect(toolBar, &WindowToolBar::aboutTriggered, this, &FactoryWindow::onAbout);
    buildCentre();
    rebuildStations();

    connect(&totals, &StationTotals::changed, this, &FactoryWindow::showTotals);
    connect(toolBar, &WindowToolBar::languageToggled, this, &FactoryWindow::onLanguage);
    toolBar->showLanguage(recipe.language);

    // Chips per hour fall as time passes without chips, not only when one is counted.
    rateTimer.setInterval(WindowTiming().rateRefresh);
    connect(&rateTimer, &QTimer::timeout, this, &FactoryWindow::showTotals);
    rateTimer.start();
    refreshControls();
    resize(1366, 700);
}

FactoryWindow::~FactoryWindow()
{
    // Each station stops its job and waits for it with the station's bound.
    qDeleteAll(tiles);
    qDeleteAll(stations);
}

void FactoryWindow::buildCentre()
{
    auto* centre = new QWidget(this);
    auto* layout = new QVBoxLayout(centre);
    layout->setContentsMargins(6, 4, 6, 4);

    recipePanel = new RecipePanel(recipe, centre);
    connect(recipePanel, &RecipePanel::portsChosen, this, &FactoryWindow::rebuildStations);
    layout->addWidget(recipePanel);

    auto* controls = new QHBoxLayout;
    startAllBtn = new QPushButton(centre);
    startAllBtn->setObjectName(QStringLiteral("startAllBtn"));
    stopAllBtn = new QPushButton(centre);
    stopAllBtn->setObjectName(QStringLiteral("stopAllBtn"));
    totalsLabel = new QLabel(centre);
    totalsLabel->setObjectName(QStringLiteral("totals"));
    totalsLabel->setStyleSheet(QStringLiteral("font-size: 13pt; font-weight: bold;"));
    controls->addWidget(startAllBtn);
    controls->addWidget(stopAllBtn);
    controls->addSpacing(20);
    controls->addWidget(totalsLabel, 1);
    layout->addLayout(controls);
    connect(startAllBtn, &QPushButton::clicked, this, &FactoryWindow::startAll);
    connect(stopAllBtn, &QPushButton::clicked, this, &FactoryWindow::stopAll);

    auto* scroll = new QScrollArea(centre);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    tileArea = new QWidget(scroll);
    tileGrid = new QGridLayout(tileArea);
    tileGrid->setContentsMargins(0, 0, 0, 0);
    tileGrid->setSpacing(6);
    scroll->setWidget(tileArea);

    // The stations at work, and the shift as the records hold it.
    views = new QTabWidget(centre);
    views->addTab(scroll, QString());
    shiftPanel
        = new ShiftPanel(RecordLocation::resolve(QCoreApplication::applicationDirPath()), ShiftSchedule(), views);
    views->addTab(shiftPanel, QString());
    connect(views, &QTabWidget::currentChanged, this, [this](int index) {
        if (views->widget(index) == shiftPanel)
            shiftPanel->refresh();
    });
    layout->addWidget(views, 1);
    setCentralWidget(centre);
    recordsStatus = new RecordsStatus(this);
    statusBar()->addPermanentWidget(recordsStatus, 1);
}

// Only while every station is idle: the ports are the recipe's.
void FactoryWindow::rebuildStations()
{
    qDeleteAll(tiles);
    tiles.clear();
    qDeleteAll(stations);
    stations.clear();

    const int columns = columnsFor(int(recipe.ports.size()));
    for (const QString& port : std::as_const(recipe.ports)) {
        auto* station = new Station(port, this);
        station->setLabel(recipe.labels.value(port));
        auto* records = new StationRecorder(station, RecordLocation::resolve(QCoreApplication::applicationDirPath()));
        recordsStatus->watch(records->recorder());
        if (linkTiming)
            station->setTiming(*linkTiming);
        auto* tile = new StationTile(station, tileArea);
        connect(tile, &StationTile::logRequested, this, &FactoryWindow::showLog);
        connect(tile, &StationTile::startRequested, this, &FactoryWindow::startStation);
        connect(tile, &StationTile::labelEdited, this,
            [this](const QString& port, const QString& label) { recipe.labels.insert(port, label); });
        totals.watch(station);
        connect(station, &Station::stateChanged, this, &FactoryWindow::refreshControls);
        connect(station, &Station::stopped, this, &FactoryWindow::refreshControls);
        const int index = int(stations.size());
        tileGrid->addWidget(tile, index / columns, index % columns);
        stations.append(station);
        tiles.append(tile);
    }
    // Tiles keep their height when there are few of them.
    tileGrid->setRowStretch(tileGrid->rowCount(), 1);
    refreshControls();
}

void FactoryWindow::setLinkTiming(const LinkTiming& timing)
{
    linkTiming = timing;
    for (Station* station : std::as_const(stations))
        station->setTiming(timing);
}

bool FactoryWindow::anyRunning() const
{
    return std::any_of(stations.cbegin(), stations.cend(), [](const Station* s) { return s->isRunning(); });
}

// The image is read and checked once for all the stations started together.
std::optional<RecipeImage> FactoryWindow::loadImage()
{
    QString error;
    std::optional<RecipeImage> image = RecipeImage::load(recipe, &error);
    if (!image)
        QMessageBox::critical(this, tr("Error"), error);
    return image;
}

// The identity settings are checked once for all the stations started
// together, the pool against the records: a refusal is one message.
bool FactoryWindow::identityReady()
{
    IdentitySettings identity;
    QString why;
    if (recipe.fillIdentity(identity, why) && identity.enabled)
        why = MacPool(RecordLocation::resolve(QCoreApplication::applicationDirPath()), identity.pool, {}).check();
    if (!why.isEmpty()) {
        QMessageBox::critical(this, tr("Error"), tr("The stations cannot start: %1").arg(why));
        return false;
    }
    if (identity.enabled && !identity.pool.warning().isEmpty())
        statusBar()->showMessage(tr("Warning: %1").arg(identity.pool.warning()));
    return true;
}

// Each station takes its chips' addresses on its own worker's thread, with connections of its own.
void FactoryWindow::startWithRecipe(Station* station, const RecipeImage& image)
{
    StationRecorder::of(station)->prepare(recipe, image);
    std::unique_ptr<MacAllocator> macs;
    if (recipe.identity.enabled) {
        IdentitySettings identity;
        QString why;
        recipe.fillIdentity(identity, why);
        macs = std::make_unique<MacPool>(RecordLocation::resolve(QCoreApplication::applicationDirPath()),
            identity.pool, MacPool::Owner { QSysInfo::machineHostName(), QStringLiteral("tervaskfactory"), station->port() });
    }
    station->start(recipe, image, std::move(macs));
}

void FactoryWindow::startAll()
{
    if (stations.isEmpty())
        return;
    const std::optional<RecipeImage> image = loadImage();
    if (!image || !identityReady())
        return;
    for (Station* station : std::as_const(stations)) {
        if (!station->isRunning())
            startWithRecipe(station, *image);
    }
    refreshControls();
}

void FactoryWindow::startStation(Station* station)
{
    if (station->isRunning())
        return;
    const std::optional<RecipeImage> image = loadImage();
    if (!image || !identityReady())
        return;
    startWithRecipe(station, *image);
    refreshControls();
}

void FactoryWindow::stopAll()
{
    for (Station* station : std::as_const(stations)) {
        if (station->isRunning())
            station->stop();
    }
    refreshControls();
}

void FactoryWindow::refreshControls()
{
    const bool running = anyRunning();
    const bool allRunning = !stations.isEmpty()
        && std::all_of(stations.cbegin(), stations.cend(), [](const Station* s) { return s->isRunning(); });
    recipePanel->setLocked(running);
    startAllBtn->setEnabled(!stations.isEmpty() && !allRunning);
    stopAllBtn->setEnabled(running);
    showTotals();
}

void FactoryWindow::showTotals()
{
    const StationCounters all = totals.counters();
    totalsLabel->setText(tr("All stations  Total: %1  PASS: %2  FAIL: %3  FPY: %4%  Chips/hour: %5")
                             .arg(all.total)
                             .arg(all.pass)
                             .arg(all.fail)
                             .arg(all.fpyPercent())
                             .arg(qRound(totals.chipsPerHour())));
}

void FactoryWindow::showLog(Station* station)
{
    auto* dialog = new StationLogDialog(station, this);
    dialog->show();
}

void FactoryWindow::onLanguage()
{
    recipe.language = languages.load(toolBar->chineseChosen());
    setWindowTitle(QStringLiteral("VYN Tervask Factory %1").arg(toolVersion));
    toolBar->retranslate();
    recipePanel->retranslate();
    startAllBtn->setText(tr("Start all"));
    stopAllBtn->setText(tr("Stop all"));
    views->setTabText(0, tr("Stations"));
    views->setTabText(1, tr("Shift"));
    shiftPanel->retranslate();
    for (StationTile* tile : std::as_const(tiles))
        tile->retranslate();
    showTotals();
}

void FactoryWindow::onAbout()
{
    QMessageBox::information(this, tr("About VYN Tervask Factory"),
        tr("VYN Tervask Factory %1\nOne PC, up to %2 fixtures.").arg(toolVersion).arg(FactoryCommandLine::maxStations));
}

void FactoryWindow::closeEvent(QCloseEvent* event)
{
    recipe.save(Recipe::defaultPath());
    if (!anyRunning()) {
        event->accept();
        return;
    }
    const auto answer = QMessageBox::question(this, tr("Close Confirmation?"),
        tr("Stations are running. Stop them all and exit?"), QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer != QMessageBox::Yes) {
        event->ignore();
        return;
    }
    stopAndWait();
    event->accept();
}

// Each station closes its port once its job has ended; the window waits for
// all of them together, at most the station's stop bound.
bool FactoryWindow::stopAndWait()
{
    stopAll();
    return runEventsUntil([this] { return !anyRunning(); }, timing.stopBound);
}
