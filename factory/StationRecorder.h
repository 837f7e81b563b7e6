#pragma once

#include "ProductionRecorder.h"

#include <QObject>

class Station;
struct Recipe;
struct RecipeImage;

// The production records of one station's attempts: a recorder of its own
// (its writing thread never touches the station's), the row's context from
// the recipe the station was started with. A child of the station.
class StationRecorder : public QObject {
    Q_OBJECT

public:
    StationRecorder(Station* station, const RecordLocation& location);

    // Before each start of the station.
    void prepare(const Recipe& recipe, const RecipeImage& image);
    ProductionRecorder* recorder() { return &records; }

    static StationRecorder* of(const Station* station);

private:
    Station* station;
    ProductionRecorder records;
};
