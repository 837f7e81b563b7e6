#include "ShiftTally.h"

#include "AttemptRow.h"
#include "FixtureKey.h"

namespace {
bool isFixturesRow(const AttemptRow& row, const QString& fixtureKey)
{
    if (FixtureKey::isSocket(fixtureKey))
        return row.context.portLocation == FixtureKey::socketOf(fixtureKey);
    return row.context.station == fixtureKey;
}
} // namespace

StationCounters ShiftTally::count(const QList<AttemptRow>& rows, const QString& host, const QString& fixtureKey,
    const QDateTime& since, const QDateTime& before)
{
    StationCounters counters;
    for (const AttemptRow& row : rows) {
        if (row.context.program != QLatin1String("tervaskfactory") || row.context.host != host || row.startedAt < since
            || row.startedAt >= before || !isFixturesRow(row, fixtureKey))
            continue;
        const bool passed = row.result == QLatin1String("pass");
        const bool failed = row.result == QLatin1String("fail");
        if (passed)
            ++counters.pass;
        if (row.chipAttempt == 1 && (passed || failed)) {
            ++counters.total;
            counters.firstPass += passed;
        }
    }
    counters.fail = counters.total - counters.pass;
    return counters;
}
