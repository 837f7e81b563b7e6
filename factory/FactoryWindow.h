#pragma once

#include "FactoryCommandLine.h"
#include "FactoryTiming.h"
#include "LanguageSwitcher.h"
#include "LinkTiming.h"
#include "Recipe.h"
#include "RecipeImage.h"
#include "StationTotals.h"

#include <QList>
#include <QMainWindow>
#include <QTimer>

#include <optional>

class QGridLayout;
class QLabel;
class QPushButton;
class QTabWidget;
class RecipePanel;
class RecordsStatus;
class ShiftPanel;
class Station;
class StationTile;
class WindowToolBar;

// The station window: one tile per chosen port (1 to 16), each station
// downloading chip after chip on its own, the recipe they share, the totals
// of all of them, and Start all / Stop all.
class FactoryWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit FactoryWindow(const FactoryCommandLine& line = FactoryCommandLine(), QWidget* parent = nullptr);
    ~FactoryWindow() override;

    // For tests: shorter link waits for every station.
    void setLinkTiming(const LinkTiming& timing);
    const QList<Station*>& stationList() const { return stations; }
    bool anyRunning() const;

public slots:
    void startAll();
    void stopAll();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildCentre();
    void rebuildStations();
    void startStation(Station* station);
    std::optional<RecipeImage> loadImage();
    bool identityReady();
    void startWithRecipe(Station* station, const RecipeImage& image);
    void refreshControls();
    void showTotals();
    void onLanguage();
    void onAbout();
    void showLog(Station* station);
    bool stopAndWait();

    // Declared first: the translators are installed before anything is built.
    LanguageSwitcher languages;
    Recipe recipe;
    FactoryTiming timing;
    std::optional<LinkTiming> linkTiming;
    StationTotals totals;
    QList<Station*> stations;
    QList<StationTile*> tiles;
    WindowToolBar* toolBar = nullptr;
    RecipePanel* recipePanel = nullptr;
    QPushButton* startAllBtn = nullptr;
    QPushButton* stopAllBtn = nullptr;
    QLabel* totalsLabel = nullptr;
    QTabWidget* views = nullptr;
    ShiftPanel* shiftPanel = nullptr;
    RecordsStatus* recordsStatus = nullptr;
    QWidget* tileArea = nullptr;
    QGridLayout* tileGrid = nullptr;
    QTimer rateTimer;
};
