#pragma once

#include "Station.h"

#include <QStringList>

// The texts of a station's log lines in memory, oldest first.
inline QStringList stationLogTexts(const Station& station)
{
    QStringList texts;
    for (const Station::LogLine& line : station.log())
        texts << line.text;
    return texts;
}
