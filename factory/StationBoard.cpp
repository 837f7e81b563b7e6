#include "StationBoard.h"

#include "StationTile.h"
#include "TileGrid.h"

#include <QGridLayout>

StationBoard::StationBoard(QWidget* parent)
    : QWidget(parent)
    , grid(new QGridLayout(this))
{
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(spacing);
}

void StationBoard::setTiles(const QList<StationTile*>& next)
{
    for (StationTile* tile : std::as_const(tiles))
        grid->removeWidget(tile);
    tiles = next;
    for (StationTile* tile : std::as_const(tiles))
        tile->setParent(this);
    columnCount = 0;
    arrange();
    for (StationTile* tile : std::as_const(tiles))
        tile->show();
}

void StationBoard::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    arrange();
}

// Every row and column gets the same share of the room.
void StationBoard::arrange()
{
    const int count = int(tiles.size());
    const int columns = TileGrid::columnsFor(count, size(), spacing);
    if (columns == columnCount)
        return;
    for (StationTile* tile : std::as_const(tiles))
        grid->removeWidget(tile);
    for (int i = 0; i < grid->columnCount(); ++i)
        grid->setColumnStretch(i, 0);
    for (int i = 0; i < grid->rowCount(); ++i)
        grid->setRowStretch(i, 0);
    columnCount = columns;
    for (int i = 0; i < count; ++i)
        grid->addWidget(tiles.at(i), i / columns, i % columns);
    for (int i = 0; i < columns; ++i)
        grid->setColumnStretch(i, 1);
    for (int i = 0; i < TileGrid::rowsFor(count, columns); ++i)
        grid->setRowStretch(i, 1);
}

bool StationBoard::acknowledgeOldest()
{
    StationTile* oldest = nullptr;
    for (StationTile* tile : std::as_const(tiles)) {
        if (tile->isLatched() && (!oldest || tile->latchedAt() < oldest->latchedAt()))
            oldest = tile;
    }
    if (!oldest)
        return false;
    oldest->acknowledge();
    return true;
}
