#pragma once

#include <QList>
#include <QWidget>

class QGridLayout;
class StationTile;

// The stations' tiles filling the room they have, in the grid that leaves
// each as large as possible (TileGrid): no scroll bar, whatever the count.
class StationBoard : public QWidget {
    Q_OBJECT

public:
    static constexpr int spacing = 6;

    explicit StationBoard(QWidget* parent = nullptr);

    void setTiles(const QList<StationTile*>& tiles);
    const QList<StationTile*>& tileList() const { return tiles; }
    int columns() const { return columnCount; }
    // The failure latched longest ago, acknowledged; false when none was.
    bool acknowledgeOldest();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void arrange();

    QGridLayout* grid = nullptr;
    QList<StationTile*> tiles;
    int columnCount = 0;
};
