// The totals' pace: chips per hour over the last window, and over the time
// since counting began while that is shorter.
#include "StationTotals.h"

#include <QtTest>

class StationTotalsTest : public QObject {
    Q_OBJECT

private slots:
    void chipsPerHourOverTheWindow()
    {
        QDateTime now = QDateTime(QDate(2026, 3, 2), QTime(8, 0), Qt::UTC);
        StationTotals totals;
        totals.setClock([&] { return now; });
        const auto at
            = [&](int seconds) { return QDateTime(QDate(2026, 3, 2), QTime(8, 0), Qt::UTC).addSecs(seconds); };

        // Two minutes into the shift, 20 chips: the pace is 600 per hour, not
        // the 120 that spreading them over ten minutes would show.
        for (int i = 0; i < 20; ++i)
            totals.addToPace(at(6 * i));
        now = at(120);
        QCOMPARE(totals.chipsPerHour(), 600.0);
        // In the first minute a single chip is not read as hundreds per hour.
        StationTotals early;
        QDateTime earlyNow = now;
        early.setClock([&] { return earlyNow; });
        earlyNow = now.addSecs(5);
        early.addToPace(earlyNow);
        QCOMPARE(early.chipsPerHour(), 60.0);

        // Twenty minutes in, only the last ten count: the first 20 chips drop
        // out, chips arriving late from a slow station are still in.
        now = at(20 * 60);
        totals.addToPace(at(11 * 60));
        totals.addToPace(at(10 * 60)); // exactly ten minutes old: outside
        totals.addToPace(at(19 * 60 + 59));
        QCOMPARE(totals.chipsPerHour(), 12.0);

        // A new shift measures its pace from its own start.
        totals.restartPace();
        QCOMPARE(totals.chipsPerHour(), 0.0);
    }
};

QTEST_GUILESS_MAIN(StationTotalsTest)
#include "tst_stationtotals.moc"
