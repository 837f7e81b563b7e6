#include "StationRecorder.h"

#include "Recipe.h"
#include "RecipeImage.h"
#include "Station.h"
#include "WorkerSettings.h"

StationRecorder::StationRecorder(Station* station, const RecordLocation& location)
    : QObject(station)
    , station(station)
    , records(location)
{
    connect(station, &Station::attemptStarted, this, [this](const QDateTime& startedAtUtc) {
        refresh();
        records.attemptStarted(startedAtUtc);
    });
    connect(station, &Station::attemptFinished, &records, &ProductionRecorder::attemptFinished);
}

void StationRecorder::prepare(const Recipe& recipe, const RecipeImage& image)
{
    WorkerSettings settings(0);
    recipe.fillSettings(settings);
    settings.image = image.bytes;
    settings.imageCrc = image.crc32;
    context = RecordContext::fromSettings(QStringLiteral("tervaskfactory"), settings, recipe.FileName);
    context.workOrder = recipe.workOrder;
    refresh();
}

void StationRecorder::setWorkOrder(const QString& workOrder)
{
    context.workOrder = workOrder;
    refresh();
}

// The port and the label as they are when an attempt starts: the adapter may
// have been named anew, the operator may have relabelled the fixture.
void StationRecorder::refresh()
{
    context.station = station->port();
    context.stationLabel = station->label();
    records.setContext(context);
}

StationRecorder* StationRecorder::of(const Station* station)
{
    return station->findChild<StationRecorder*>(QString(), Qt::FindDirectChildrenOnly);
}
