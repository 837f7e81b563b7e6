#pragma once

#include <QSize>

// How the station window lays its tiles out: the number of columns that
// leaves every tile as large as the area allows. A tile reads best about
// twice as wide as it is high, so a tile counts by the largest rectangle of
// that shape it could hold.
class TileGrid {
public:
    static constexpr double readableAspect = 2.2; // width over height
    static int columnsFor(int tiles, const QSize& area, int spacing);
    static int rowsFor(int tiles, int columns) { return columns <= 0 ? 0 : (tiles + columns - 1) / columns; }
};
