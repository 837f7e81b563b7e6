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
    connect(station, &Station::attemptStarted, &records, &ProductionRecorder::attemptStarted);
    connect(station, &Station::attemptFinished, &records, &ProductionRecorder::attemptFinished);
}

void StationRecorder::prepare(const Recipe& recipe, const RecipeImage& image)
{
    WorkerSettings settings(0);
    recipe.fillSettings(settings);
    settings.portName = station->port();
    settings.image = image.bytes;
    settings.imageCrc = image.crc32;
    RecordContext context = RecordContext::fromSettings(QStringLiteral("tervaskfactory"), settings, recipe.FileName);
    context.stationLabel = station->label();
    records.setContext(context);
}

StationRecorder* StationRecorder::of(const Station* station)
{
    return station->findChild<StationRecorder*>(QString(), Qt::FindDirectChildrenOnly);
}
