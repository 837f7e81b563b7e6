#include "StationWindowRun.h"

#include "FactoryWindow.h"
#include "StationLogDialog.h"
#include "StationTile.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMouseEvent>
#include <QTimer>

#include <algorithm>

namespace StationWindowRun {

void runUntil(const std::function<bool()>& condition)
{
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (condition())
            loop.quit();
    });
    check.start(50);
    loop.exec();
}

bool openEveryLog(FactoryWindow& window)
{
    for (StationTile* tile : window.findChildren<StationTile*>()) {
        const QPointF centre = QRectF(tile->rect()).center();
        QMouseEvent press(QEvent::MouseButtonPress, centre, tile->mapToGlobal(centre), Qt::LeftButton, Qt::LeftButton,
            Qt::NoModifier);
        QCoreApplication::sendEvent(tile, &press);
    }
    const auto logs = window.findChildren<StationLogDialog*>();
    return logs.size() == window.stationList().size()
        && std::all_of(logs.begin(), logs.end(), [](const StationLogDialog* log) { return log->isVisible(); });
}

} // namespace StationWindowRun
