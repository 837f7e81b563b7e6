// The station window's stations: which there are, starting them (the recipe
// checked, the image read once, the adapters found), their totals, the
// switches, the work order and the shift's counters.
#include "EarlierChips.h"
#include "FactoryWindow.h"
#include "IdentitySettings.h"
#include "MacPool.h"
#include "RecipePanel.h"
#include "RecordLocation.h"
#include "RecordsStatus.h"
#include "ShiftClock.h"
#include "Station.h"
#include "StationBoard.h"
#include "StationRecorder.h"
#include "StationTile.h"

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QSysInfo>

#include <algorithm>

// The stations of the fixtures still chosen go on as they are, counters and
// all; the others go, and new ones come with this shift's chips from the records.
void FactoryWindow::rebuildStations()
{
    QList<Station*> kept;
    QList<StationTile*> keptTiles;
    QList<Station*> added;
    for (const QString& key : std::as_const(recipe.ports)) {
        const auto found = std::find_if(
            stations.cbegin(), stations.cend(), [&key](const Station* station) { return station->key() == key; });
        if (found != stations.cend()) {
            kept.append(*found);
            keptTiles.append(tiles.at(found - stations.cbegin()));
            continue;
        }
        Station* station = addStation(key);
        kept.append(station);
        keptTiles.append(addTile(station));
        added.append(station);
    }
    for (qsizetype i = 0; i < stations.size(); ++i) {
        if (!kept.contains(stations.at(i))) {
            delete tiles.at(i);
            delete stations.at(i);
        }
    }
    stations = kept;
    tiles = keptTiles;
    board->setTiles(tiles);
    if (!added.isEmpty())
        earlierChips->add(added, countingStart(), QDateTime::currentDateTimeUtc());
    refreshControls();
}

Station* FactoryWindow::addStation(const QString& key)
{
    auto* station = new Station(key, this);
    station->setLabel(recipe.labels.value(key));
    if (linkTiming)
        station->setTiming(*linkTiming);
    auto* recorder = new StationRecorder(station, records());
    recordsStatus->watch(recorder->recorder());
    totals.watch(station);
    adapters.watch(station);
    connect(station, &Station::stateChanged, this, &FactoryWindow::refreshControls);
    connect(station, &Station::stopped, this, &FactoryWindow::refreshControls);
    return station;
}

StationTile* FactoryWindow::addTile(Station* station)
{
    auto* tile = new StationTile(station, board);
    tile->setSwitchedOn(!recipe.disabled.contains(station->key()));
    tile->setSwitchLocked(recipePanel->leadLocked());
    connect(tile, &StationTile::logRequested, this, &FactoryWindow::showLog);
    connect(tile, &StationTile::startRequested, this, &FactoryWindow::startStation);
    connect(tile, &StationTile::switchToggled, this, &FactoryWindow::onSwitch);
    connect(tile, &StationTile::labelEdited, this, [this](const QString& key, const QString& label) {
        recipe.labels.insert(key, label);
        saveRecipe();
    });
    connect(tile, &StationTile::failureLatched, this, [this] {
        if (recipe.failSound && alarm)
            alarm();
    });
    return tile;
}

bool FactoryWindow::anyRunning() const
{
    return std::any_of(stations.cbegin(), stations.cend(), [](const Station* s) { return s->isRunning(); });
}

void FactoryWindow::startAll()
{
    QList<Station*> chosen;
    for (qsizetype i = 0; i < stations.size(); ++i) {
        if (!stations.at(i)->isRunning() && tiles.at(i)->isSwitchedOn())
            chosen.append(stations.at(i));
    }
    startStations(chosen);
}

void FactoryWindow::startStation(Station* station)
{
    if (!station->isRunning())
        startStations({ station });
}

void FactoryWindow::startStations(const QList<Station*>& chosen)
{
    std::optional<RecipeImage> image;
    if (chosen.isEmpty() || !mayStart(image))
        return;
    adapters.placeNow(chosen);
    for (Station* station : chosen) {
        StationRecorder::of(station)->prepare(recipe, *image);
        station->start(recipe, *image, macsFor(station));
    }
    refreshControls();
}

// A recipe with a value that cannot be used, or an image that is not the
// recipe's, starts nothing. The image is read once while no station runs;
// a station started while others run takes the very bytes they have.
bool FactoryWindow::mayStart(std::optional<RecipeImage>& image)
{
    const QString problem = recipe.problem();
    if (!problem.isEmpty()) {
        refuse(tr("Nothing started: %1").arg(problem));
        return false;
    }
    if (!identityReady())
        return false;
    if (!anyRunning() || !sharedImage) {
        QString error;
        sharedImage = RecipeImage::load(recipe, &error);
        if (!sharedImage) {
            refuse(tr("Nothing started: %1").arg(error));
            return false;
        }
    }
    refuse(QString());
    image = sharedImage;
    recipePanel->showImageInUse(sharedImage);
    return true;
}

// The identity settings are checked once for all the stations started
// together, the pool against the records.
bool FactoryWindow::identityReady()
{
    IdentitySettings identity;
    QString why;
    if (recipe.fillIdentity(identity, why) && identity.enabled)
        why = MacPool(records(), identity.pool, {}).check();
    if (!why.isEmpty()) {
        refuse(tr("Nothing started: %1").arg(why));
        return false;
    }
    if (identity.enabled && !identity.pool.warning().isEmpty())
        statusBar()->showMessage(tr("Warning: %1").arg(identity.pool.warning()));
    return true;
}

// Each station takes its chips' addresses on its own worker's thread, with connections of its own.
std::unique_ptr<MacAllocator> FactoryWindow::macsFor(const Station* station) const
{
    IdentitySettings identity;
    QString why;
    if (!recipe.fillIdentity(identity, why) || !identity.enabled)
        return nullptr;
    return std::make_unique<MacPool>(records(), identity.pool,
        MacPool::Owner { QSysInfo::machineHostName(), QStringLiteral("tervaskfactory"), station->key() });
}

void FactoryWindow::refuse(const QString& why)
{
    refusalLabel->setText(why);
    refusalLabel->setVisible(!why.isEmpty());
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
    bool startable = false;
    for (qsizetype i = 0; i < stations.size(); ++i)
        startable = startable || (!stations.at(i)->isRunning() && tiles.at(i)->isSwitchedOn());
    recipePanel->setRunning(running);
    startAllBtn->setEnabled(startable);
    stopAllBtn->setEnabled(running);
    // Once nothing runs, the next start reads the file again.
    if (!running && sharedImage) {
        sharedImage.reset();
        recipePanel->showImageInUse(sharedImage);
    }
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

void FactoryWindow::saveRecipe()
{
    if (!recipe.save(Recipe::defaultPath()))
        statusBar()->showMessage(tr("The recipe could not be saved in %1.").arg(Recipe::defaultPath()));
}

void FactoryWindow::onSwitch(Station* station, bool on)
{
    recipe.disabled.removeAll(station->key());
    if (!on) {
        recipe.disabled.append(station->key());
        station->stop();
    }
    saveRecipe();
    refreshControls();
}

void FactoryWindow::onWorkOrder()
{
    const QString workOrder = workOrderEdit->text().trimmed();
    if (workOrder == recipe.workOrder)
        return;
    recipe.workOrder = workOrder;
    for (Station* station : std::as_const(stations))
        StationRecorder::of(station)->setWorkOrder(workOrder);
    saveRecipe();
}

void FactoryWindow::onNewShift()
{
    const auto answer = QMessageBox::question(this, tr("New shift"), tr("Start the counters of every station at zero?"),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer != QMessageBox::Yes)
        return;
    recipe.countingSince = QDateTime::currentDateTimeUtc();
    saveRecipe();
    countFromShiftStart();
}

void FactoryWindow::countFromShiftStart()
{
    for (Station* station : std::as_const(stations))
        station->resetCounters();
    totals.restartPace();
}

// When the next shift begins, its counters begin at zero.
void FactoryWindow::followShiftChange()
{
    const QDateTime start = ShiftClock::shiftStart(QDateTime::currentDateTime(), scheduleOf(recipe));
    if (start == shiftStart)
        return;
    shiftStart = start;
    countFromShiftStart();
}

QDateTime FactoryWindow::countingStart() const
{
    const QDateTime start = shiftStart.toUTC();
    return recipe.countingSince.isValid() && recipe.countingSince > start ? recipe.countingSince : start;
}
