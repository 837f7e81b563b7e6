#pragma once

#include "ProductionRecorder.h"

#include <QObject>

class Station;
struct Recipe;
struct RecipeImage;

// The production records of one station's attempts: a recorder of its own
// (its writing thread never touches the station's), the row's context from
// the recipe the station was started with, the port it has now, its label
// and the work order of the moment. A child of the station.
class StationRecorder : public QObject {
    Q_OBJECT

public:
    StationRecorder(Station* station, const RecordLocation& location);

    // Before each start of the station.
    void prepare(const Recipe& recipe, const RecipeImage& image);
    // For the attempts from now on.
    void setWorkOrder(const QString& workOrder);
    ProductionRecorder* recorder() { return &records; }

    static StationRecorder* of(const Station* station);

private:
    void refresh();

    Station* station;
    ProductionRecorder records;
    RecordContext context;
};
