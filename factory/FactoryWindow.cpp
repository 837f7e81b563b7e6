#include "FactoryWindow.h"

#include "EarlierChips.h"
#include "EventWait.h"
#include "RecipePanel.h"
#include "RecordLocation.h"
#include "RecordsStatus.h"
#include "ShiftClock.h"
#include "ShiftPanel.h"
#include "Station.h"
#include "StationBoard.h"
#include "StationLogDialog.h"
#include "StationRecorder.h"
#include "StationTile.h"
#include "WindowTiming.h"
#include "WindowToolBar.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {
const QString toolVersion = QStringLiteral("V%1.%2.%3")
                                .arg(TERVASK_VERSION_MAJOR, 2, 10, QLatin1Char('0'))
                                .arg(TERVASK_VERSION_MINOR, 2, 10, QLatin1Char('0'))
                                .arg(TERVASK_VERSION_PATCH, 2, 10, QLatin1Char('0'));

} // namespace

RecordLocation FactoryWindow::records()
{
    return RecordLocation::resolve(QCoreApplication::applicationDirPath());
}

ShiftSchedule FactoryWindow::scheduleOf(const Recipe& recipe)
{
    ShiftSchedule schedule;
    schedule.starts = recipe.shiftStarts;
    return schedule;
}

FactoryWindow::FactoryWindow(const FactoryCommandLine& line, QWidget* parent)
    : QMainWindow(parent)
    , recipe(Recipe::load(Recipe::defaultPath()))
    , shiftStart(ShiftClock::shiftStart(QDateTime::currentDateTime(), scheduleOf(recipe)))
    , alarm([] { QApplication::beep(); })
{
    setWindowIcon(QIcon(QStringLiteral(":/images/MainWnd.ico")));
    toolBar = new WindowToolBar(this, WindowToolBar::AboutOnly);
    connect(toolBar, &WindowToolBar::aboutTriggered, this, &FactoryWindow::onAbout);
    earlierChips = new EarlierChips(records(), this);
    applyCommandLine(line);
    buildCentre();
    buildShortcuts();
    rebuildStations();

    connect(&totals, &StationTotals::changed, this, &FactoryWindow::showTotals);
    connect(toolBar, &WindowToolBar::languageToggled, this, &FactoryWindow::onLanguage);
    toolBar->showLanguage(recipe.language);

    // Chips per hour fall as time passes without chips, not only when one is counted.
    rateTimer.setInterval(WindowTiming().rateRefresh);
    connect(&rateTimer, &QTimer::timeout, this, [this] {
        followShiftChange();
        showTotals();
    });
    rateTimer.start();
    refreshControls();
    if (screen())
        resize(screen()->availableGeometry().size());
    setOperatorView(recipe.operatorView);
}

FactoryWindow::~FactoryWindow()
{
    // Each station stops its job and waits for it with the station's bound.
    qDeleteAll(tiles);
    qDeleteAll(stations);
}

// The command line chooses the fixtures and the image of this start, and the
// recipe keeps them; not while the lead's PIN locks the recipe.
void FactoryWindow::applyCommandLine(const FactoryCommandLine& line)
{
    if (line.ports.isEmpty() && line.file.isEmpty())
        return;
    if (!recipe.leadPin.isEmpty()) {
        statusBar()->showMessage(tr("The recipe is locked by the lead's PIN: --ports and --file are left out."));
        return;
    }
    if (!line.ports.isEmpty())
        recipe.ports = line.ports;
    if (!line.file.isEmpty() && line.file != recipe.FileName) {
        recipe.FileName = line.file;
        recipe.imageSize = -1;
        recipe.imageCrc.clear();
    }
    recipe.ports = recipe.ports.mid(0, FactoryCommandLine::maxStations);
    saveRecipe();
}

void FactoryWindow::buildCentre()
{
    auto* centre = new QWidget(this);
    auto* layout = new QVBoxLayout(centre);
    layout->setContentsMargins(6, 2, 6, 2);
    layout->setSpacing(3);

    recipePanel = new RecipePanel(recipe, centre);
    connect(recipePanel, &RecipePanel::portsChosen, this, &FactoryWindow::rebuildStations);
    connect(recipePanel, &RecipePanel::recipeChanged, this, &FactoryWindow::saveRecipe);
    connect(recipePanel, &RecipePanel::lockChanged, this, [this] {
        for (StationTile* tile : std::as_const(tiles))
            tile->setSwitchLocked(recipePanel->leadLocked());
    });
    layout->addWidget(recipePanel);
    controls = buildControls(centre);
    layout->addWidget(controls);
    refusalLabel = new QLabel(centre);
    refusalLabel->setObjectName(QStringLiteral("refusal"));
    refusalLabel->setWordWrap(true);
    refusalLabel->setStyleSheet(
        QStringLiteral("color: white; background-color: #d32f2f; font-weight: bold; padding: 3px;"));
    refusalLabel->hide();
    layout->addWidget(refusalLabel);

    // The stations at work, and the shift as the records hold it.
    views = new QTabWidget(centre);
    board = new StationBoard(views);
    views->addTab(board, QString());
    shiftPanel = new ShiftPanel(records(), scheduleOf(recipe), views);
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

QWidget* FactoryWindow::buildControls(QWidget* parent)
{
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    startAllBtn = new QPushButton(row);
    startAllBtn->setObjectName(QStringLiteral("startAllBtn"));
    stopAllBtn = new QPushButton(row);
    stopAllBtn->setObjectName(QStringLiteral("stopAllBtn"));
    newShiftBtn = new QPushButton(row);
    newShiftBtn->setObjectName(QStringLiteral("newShiftBtn"));
    workOrderLabel = new QLabel(row);
    workOrderEdit = new QLineEdit(recipe.workOrder, row);
    workOrderEdit->setObjectName(QStringLiteral("workOrder"));
    workOrderEdit->setMaximumWidth(220);
    totalsLabel = new QLabel(row);
    totalsLabel->setObjectName(QStringLiteral("totals"));
    totalsLabel->setStyleSheet(QStringLiteral("font-size: 15pt; font-weight: bold;"));
    for (QWidget* part : std::initializer_list<QWidget*> { startAllBtn, stopAllBtn, newShiftBtn, workOrderLabel })
        layout->addWidget(part);
    layout->addWidget(workOrderEdit);
    layout->addSpacing(12);
    layout->addWidget(totalsLabel, 1);
    connect(startAllBtn, &QPushButton::clicked, this, &FactoryWindow::startAll);
    connect(stopAllBtn, &QPushButton::clicked, this, &FactoryWindow::stopAll);
    connect(newShiftBtn, &QPushButton::clicked, this, &FactoryWindow::onNewShift);
    // A barcode scanner types the work order and ends it with Enter.
    connect(workOrderEdit, &QLineEdit::editingFinished, this, &FactoryWindow::onWorkOrder);
    return row;
}

void FactoryWindow::buildShortcuts()
{
    auto* view = new QShortcut(QKeySequence(Qt::Key_F11), this);
    connect(view, &QShortcut::activated, this, [this] { setOperatorView(!recipe.operatorView); });
    // A line edit with the focus keeps its spaces: it takes the key before the shortcut.
    auto* acknowledge = new QShortcut(QKeySequence(Qt::Key_Space), this);
    connect(acknowledge, &QShortcut::activated, board, &StationBoard::acknowledgeOldest);
}

void FactoryWindow::setLinkTiming(const LinkTiming& timing)
{
    linkTiming = timing;
    for (Station* station : std::as_const(stations))
        station->setTiming(timing);
}

void FactoryWindow::setAdapterSource(AdapterWatch::Source source)
{
    adapters.setSource(source);
    recipePanel->setListingSource(source);
}

void FactoryWindow::setOperatorView(bool on)
{
    if (on != recipe.operatorView) {
        recipe.operatorView = on;
        saveRecipe();
    }
    toolBar->setVisible(!on);
    recipePanel->setVisible(!on);
    views->tabBar()->setVisible(!on);
    if (on)
        views->setCurrentWidget(board);
    setWindowState(on ? windowState() | Qt::WindowFullScreen : windowState() & ~Qt::WindowFullScreen);
}

void FactoryWindow::showLog(Station* station)
{
    auto* dialog = new StationLogDialog(station, this);
    dialog->show();
}

void FactoryWindow::onLanguage()
{
    const QString language = languages.load(toolBar->chineseChosen());
    if (language != recipe.language) {
        recipe.language = language;
        saveRecipe();
    }
    setWindowTitle(QStringLiteral("VYN Tervask Factory %1").arg(toolVersion));
    toolBar->retranslate();
    recipePanel->retranslate();
    startAllBtn->setText(tr("Start all"));
    stopAllBtn->setText(tr("Stop all"));
    newShiftBtn->setText(tr("New shift"));
    workOrderLabel->setText(tr("Work order:"));
    workOrderEdit->setPlaceholderText(tr("scan or type"));
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
