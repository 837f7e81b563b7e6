// The MAC address pools: settings that a start must refuse, the stations of
// one PC taking addresses from the local file at once, and PCs holding blocks
// of a pool on a PostgreSQL server that goes away and comes back.
#include "IdentitySettings.h"
#include "MacLedger.h"
#include "MacPool.h"
#include "MacPoolQuery.h"
#include "RecordStore.h"
#include "ThrowawayPostgres.h"

#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include <thread>
#include <vector>

namespace {

RecordTiming quickTiming()
{
    RecordTiming timing;
    timing.reconnectPause = RecordTiming::ms(0);
    timing.serverConnect = RecordTiming::ms(2000);
    return timing;
}

RecordLocation localFile(const QString& path)
{
    RecordLocation location;
    location.sqlitePath = path;
    return location;
}

MacRange rangeOf(const QString& text, int macsPerChip)
{
    MacRange range;
    QString why;
    if (!MacRange::parse(text, range, why))
        qFatal("%s", qPrintable(why));
    range.macsPerChip = macsPerChip;
    return range;
}

// Takes count addresses, giving every fifth back at once as a failed attempt would; the kept ones.
QList<quint64> takeAndKeep(MacPool& pool, int count, QString& why)
{
    QList<quint64> kept;
    for (int i = 0; i < count; ++i) {
        MacAddress base;
        if (!pool.take(base, why))
            return kept;
        if (i % 5 == 4) {
            pool.giveBack(base);
            continue;
        }
        if (!pool.keep(base, why))
            return kept;
        kept << base.value();
    }
    return kept;
}

} // namespace

class MacPoolTest : public QObject {
    Q_OBJECT

private slots:
    void refusedAtStart_data()
    {
        QTest::addColumn<QString>("pool");
        QTest::addColumn<QString>("at");
        QTest::addColumn<QString>("format");
        QTest::addColumn<int>("perChip");
        QTest::addColumn<QString>("refusal"); // empty: accepted
        QTest::newRow("vendor pool") << "00:1A:2B:00:00:00-00:1A:2B:00:FF:FF"
                                     << "0xFF000"
                                     << "raw" << 1 << "";
        QTest::newRow("lab pool, accepted") << "02:00:00:00:00:00-02:00:00:00:00:0F"
                                            << "0xFF000"
                                            << "text" << 4 << "";
        QTest::newRow("group address") << "01:00:5E:00:00:00-01:00:5E:00:00:FF"
                                       << "0xFF000"
                                       << "raw" << 1 << "group (multicast)";
        QTest::newRow("across first octets") << "00:FF:FF:FF:FF:00-02:00:00:00:00:FF"
                                             << "0xFF000"
                                             << "raw" << 1 << "group (multicast)";
        QTest::newRow("ends before it begins") << "00:1A:2B:00:00:10-00:1A:2B:00:00:00"
                                               << "0xFF000"
                                               << "raw" << 1 << "ends before it begins";
        QTest::newRow("no aligned block") << "00:1A:2B:00:00:03-00:1A:2B:00:00:06"
                                          << "0xFF000"
                                          << "raw" << 4 << "no aligned block of 4";
        QTest::newRow("three per chip") << "00:1A:2B:00:00:00-00:1A:2B:00:00:FF"
                                        << "0xFF000"
                                        << "raw" << 3 << "1, 2 or 4";
        QTest::newRow("one address, not a range") << "00:1A:2B:00:00:00"
                                                  << "0xFF000"
                                                  << "raw" << 1 << "FIRST-LAST";
        QTest::newRow("beyond the flash") << "00:1A:2B:00:00:00-00:1A:2B:00:00:FF"
                                          << "0x100000"
                                          << "raw" << 1 << "beyond the flash of 1048576 bytes";
        QTest::newRow("last bytes of the flash") << "00:1A:2B:00:00:00-00:1A:2B:00:00:FF"
                                                 << "0xFFFF4"
                                                 << "text" << 1 << "";
        QTest::newRow("across a sector's end") << "00:1A:2B:00:00:00-00:1A:2B:00:00:FF"
                                               << "0x1FFD"
                                               << "raw" << 1 << "crosses the end of its 4 KiB sector";
        QTest::newRow("flash address not a number") << "00:1A:2B:00:00:00-00:1A:2B:00:00:FF"
                                                    << "top"
                                                    << "raw" << 1 << "not a number: top";
        QTest::newRow("unknown format") << "00:1A:2B:00:00:00-00:1A:2B:00:00:FF"
                                        << "0xFF000"
                                        << "ascii" << 1 << "raw or text, not ascii";
    }

    void refusedAtStart()
    {
        QFETCH(QString, pool);
        QFETCH(QString, at);
        QFETCH(QString, format);
        QFETCH(int, perChip);
        QFETCH(QString, refusal);
        IdentitySettings identity;
        QString why;
        if (IdentitySettings::fromTexts(pool, at, format, QString::number(perChip), identity, why))
            why = identity.problem(1024 * 1024);
        if (refusal.isEmpty())
            QVERIFY2(why.isEmpty(), qPrintable(why));
        else
            QVERIFY2(why.contains(refusal), qPrintable(why));
        QCOMPARE(identity.pool.warning().contains("for labs, not products"), pool.startsWith("02:"));
    }

    // Eight stations of one PC take at once from the local file: every
    // address goes to one chip, those given back go to the next chips, no
    // aligned base is skipped but those given back last, and the pool says
    // when it is used up.
    void stationsOfOnePcShareThePoolInOrder()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const RecordLocation location = localFile(folder.filePath("records/production.sqlite"));
        // 2 addresses per chip from an odd first address: bases ...:00:02 to ...:01:18, 140 chips.
        const MacRange range = rangeOf("00:1A:2B:00:00:01-00:1A:2B:00:01:19", 2);
        QCOMPARE(MacPool(location, range, {}).check(), QString());

        constexpr int stations = 8;
        std::vector<QList<quint64>> kept(stations);
        std::vector<QString> errors(stations);
        std::vector<std::thread> threads;
        for (int s = 0; s < stations; ++s) {
            threads.emplace_back([&, s] {
                MacPool pool(location, range, { "pc", "test", QString("station%1").arg(s) });
                kept[s] = takeAndKeep(pool, 20, errors[s]); // 16 kept, 4 given back
                pool.jobEnded();
            });
        }
        for (std::thread& thread : threads)
            thread.join();

        QList<quint64> handedOut;
        for (int s = 0; s < stations; ++s) {
            QVERIFY2(errors[s].isEmpty(), qPrintable(errors[s]));
            QCOMPARE(kept[s].size(), 16);
            handedOut += kept[s];
        }
        QCOMPARE(QSet<quint64>(handedOut.cbegin(), handedOut.cend()).size(), handedOut.size());
        {
            RecordStore store;
            QVERIFY(store.openLocal(location.sqlitePath, RecordTiming()));
            QList<MacLedger::Row> cameBack;
            QVERIFY(MacLedger(store).rowsInState(range, "free", false, cameBack));
            for (const MacLedger::Row& row : std::as_const(cameBack))
                handedOut << row.base;
        }
        std::sort(handedOut.begin(), handedOut.end());
        for (int i = 0; i < handedOut.size(); ++i)
            QCOMPARE(MacAddress(handedOut.at(i)).text(), MacAddress(0x001A2B000002ull + 2u * quint64(i)).text());

        // The 12 chips left, then no more.
        MacPool last(location, range, {});
        QString why;
        MacAddress base;
        int taken = 0;
        while (last.take(base, why) && last.keep(base, why))
            ++taken;
        QCOMPARE(taken, 12);
        QCOMPARE(why, QString("the MAC pool %1 is used up").arg(range.text()));
        last.jobEnded();
        QCOMPARE(MacPool(location, range, {}).check(), why);

        // The same range with 4 addresses per chip, or one overlapping it: refused.
        QVERIFY(MacPool(location, rangeOf("00:1A:2B:00:00:01-00:1A:2B:00:01:19", 4), {}).check().contains("gives 2"));
        QVERIFY(MacPool(location, rangeOf("00:1A:2B:00:01:00-00:1A:2B:00:01:FF", 2), {}).check().contains("overlaps"));
    }

    // Two PCs on one pool of the line's server, in blocks of 10 chips: each
    // hands out only what its blocks hold, goes on from them while the server
    // is away, says so when they are used up, and gives back what it did not
    // use; the report shows a block that a PC reserved and never used.
    void linePcsHoldBlocksOfTheServersPool()
    {
        ThrowawayPostgres postgres;
        QVERIFY2(postgres.create() && postgres.start(), qPrintable(postgres.lastError()));
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const auto pcAt = [&](const QString& name) {
            RecordLocation location
                = RecordLocation::fromUrl(postgres.url(), folder.filePath(name + "/production.sqlite"));
            location.macBlockChips = 10;
            return location;
        };
        const MacRange range = rangeOf("00:1A:2B:00:00:00-00:1A:2B:00:00:63", 1); // 100 chips
        const quint64 first = range.first.value();
        const auto pool = [&](const QString& pc) {
            return std::make_unique<MacPool>(pcAt(pc), range, MacPool::Owner { pc, "test", "ttyUSB0" }, quickTiming());
        };
        const auto takeSeries = [](MacPool& from, int count, QString& why) {
            QList<quint64> values;
            MacAddress base;
            for (int i = 0; i < count && from.take(base, why) && from.keep(base, why); ++i)
                values << base.value();
            return values;
        };
        const auto series = [first](quint64 from, quint64 to) {
            QList<quint64> values;
            for (quint64 v = from; v <= to; ++v)
                values << first + v;
            return values;
        };

        auto pcA = pool("pc-a");
        auto pcB = pool("pc-b");
        QCOMPARE(pcA->check(), QString());
        QString why;
        QCOMPARE(takeSeries(*pcA, 1, why), series(0, 0));
        QCOMPARE(takeSeries(*pcB, 1, why), series(10, 10));
        QCOMPARE(takeSeries(*pcA, 10, why), series(1, 9) + series(20, 20));

        QVERIFY2(postgres.stop(), qPrintable(postgres.lastError()));
        QCOMPARE(takeSeries(*pcA, 20, why), series(21, 29));
        QVERIFY2(why.contains("cannot be reached"), qPrintable(why));
        why.clear();
        // A failed attempt's address goes back into the PC's block, and to its next chip.
        MacAddress given;
        QVERIFY(pcB->take(given, why));
        pcB->giveBack(given);
        QCOMPARE(takeSeries(*pcB, 8, why), series(11, 18));
        pcB->jobEnded(); // nothing can be given back meanwhile: the block stays the PC's
        QCOMPARE(pool("pc-b")->check(), QString());
        QVERIFY(pool("pc-c")->check().contains("cannot be reached"));

        QVERIFY2(postgres.start(), qPrintable(postgres.lastError()));
        QCOMPARE(takeSeries(*pcA, 1, why), series(30, 30));
        pcA->jobEnded(); // 31 to 39 go back
        QCOMPARE(takeSeries(*pcB, 1, why), series(19, 19));
        pcB->jobEnded();
        auto pcC = pool("pc-c");
        MacAddress reserved;
        QVERIFY2(pcC->take(reserved, why), qPrintable(why)); // its block: 31 to 40; then it dies
        QCOMPARE(reserved.value(), first + 31);
        pcC.reset();

        RecordStore server;
        QVERIFY2(server.openServer(pcAt("check"), quickTiming()), qPrintable(server.lastError()));
        MacPoolQuery query(server);
        QList<MacPoolQuery::PoolFigures> figures;
        QVERIFY2(query.pools(figures), qPrintable(query.lastError()));
        QCOMPARE(figures.size(), 1);
        const MacPoolQuery::PoolFigures& figure = figures.first();
        QCOMPARE(figure.chips, 100);
        QCOMPARE(figure.used, 31);
        QCOMPARE(figure.reserved, 10);
        QCOMPARE(figure.free, 59);
        QCOMPARE(figure.reservedRuns.size(), 1);
        QCOMPARE(figure.reservedRuns.first().host, QString("pc-c"));
        QCOMPARE(figure.reservedRuns.first().first, first + 31);
        QCOMPARE(figure.reservedRuns.first().last, first + 40);
    }
};

QTEST_GUILESS_MAIN(MacPoolTest)
#include "tst_macpool.moc"
