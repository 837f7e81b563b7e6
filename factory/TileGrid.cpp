#include "TileGrid.h"

#include <algorithm>

int TileGrid::columnsFor(int tiles, const QSize& area, int spacing)
{
    if (tiles <= 1)
        return 1;
    int best = 1;
    double bestWidth = -1;
    for (int columns = 1; columns <= tiles; ++columns) {
        const int rows = rowsFor(tiles, columns);
        const double width = double(area.width() - (columns - 1) * spacing) / columns;
        const double height = double(area.height() - (rows - 1) * spacing) / rows;
        // The width of the widest well-shaped rectangle that fits the tile.
        const double usable = std::min(width, height * readableAspect);
        if (usable > bestWidth + 0.5) {
            bestWidth = usable;
            best = columns;
        }
    }
    return best;
}
