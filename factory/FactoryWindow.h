#pragma once

#include "AdapterWatch.h"
#include "FactoryCommandLine.h"
#include "FactoryTiming.h"
#include "LanguageSwitcher.h"
#include "LinkTiming.h"
#include "Recipe.h"
#include "RecipeImage.h"
#include "RecordLocation.h"
#include "ShiftClock.h"
#include "StationTotals.h"

#include <QDateTime>
#include <QList>
#include <QMainWindow>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

class EarlierChips;
class MacAllocator;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class RecipePanel;
class RecordsStatus;
class ShiftPanel;
class Station;
class StationBoard;
class StationTile;
class WindowToolBar;

// The station window: one tile per chosen fixture (1 to 16), each station
// downloading chip after chip on its own, the recipe they share, the totals
// of all of them, Start all / Stop all, the work order and "New shift".
// Whatever changes is saved at once. F11 switches to the operator's view
// (tiles and totals only); Space acknowledges the oldest latched failure.
class FactoryWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit FactoryWindow(const FactoryCommandLine& line = FactoryCommandLine(), QWidget* parent = nullptr);
    ~FactoryWindow() override;

    // For tests: shorter link waits for every station, the ports and sockets
    // the adapters are found in, the sound of a failure.
    void setLinkTiming(const LinkTiming& timing);
    void setAdapterSource(AdapterWatch::Source source);
    void setAlarm(std::function<void()> sound) { alarm = std::move(sound); }
    const QList<Station*>& stationList() const { return stations; }
    bool anyRunning() const;
    bool operatorView() const { return recipe.operatorView; }

public slots:
    void startAll();
    void stopAll();
    void setOperatorView(bool on);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    static RecordLocation records();
    static ShiftSchedule scheduleOf(const Recipe& recipe);
    void buildCentre();
    QWidget* buildControls(QWidget* parent);
    void buildShortcuts();
    void applyCommandLine(const FactoryCommandLine& line);
    void rebuildStations();
    Station* addStation(const QString& key);
    StationTile* addTile(Station* station);
    void startStations(const QList<Station*>& chosen);
    void startStation(Station* station);
    bool mayStart(std::optional<RecipeImage>& image);
    void refuse(const QString& why);
    bool identityReady();
    std::unique_ptr<MacAllocator> macsFor(const Station* station) const;
    void refreshControls();
    void showTotals();
    void saveRecipe();
    void onSwitch(Station* station, bool on);
    void onWorkOrder();
    void onNewShift();
    void countFromShiftStart();
    void followShiftChange();
    QDateTime countingStart() const;
    void onLanguage();
    void onAbout();
    void showLog(Station* station);
    bool stopAndWait();

    // Declared first: the translators are installed before anything is built.
    LanguageSwitcher languages;
    Recipe recipe;
    FactoryTiming timing;
    std::optional<LinkTiming> linkTiming;
    // The image the running stations share: read once at a start while none ran.
    std::optional<RecipeImage> sharedImage;
    QDateTime shiftStart;
    std::function<void()> alarm;
    StationTotals totals;
    AdapterWatch adapters;
    EarlierChips* earlierChips = nullptr;
    QList<Station*> stations;
    QList<StationTile*> tiles;
    WindowToolBar* toolBar = nullptr;
    RecipePanel* recipePanel = nullptr;
    QWidget* controls = nullptr;
    QPushButton* startAllBtn = nullptr;
    QPushButton* stopAllBtn = nullptr;
    QPushButton* newShiftBtn = nullptr;
    QLabel* workOrderLabel = nullptr;
    QLineEdit* workOrderEdit = nullptr;
    QLabel* totalsLabel = nullptr;
    QLabel* refusalLabel = nullptr;
    QTabWidget* views = nullptr;
    StationBoard* board = nullptr;
    ShiftPanel* shiftPanel = nullptr;
    RecordsStatus* recordsStatus = nullptr;
    QTimer rateTimer;
};
