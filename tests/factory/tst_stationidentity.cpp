// Eight stations of one PC on one MAC pool, three rounds of chips: every
// chip that got an address has its own, handed out in order from the pool's
// start with no gap but those given back; a chip put back into its socket
// keeps its address and so does a reworked chip that carries one, taking
// none; a chip whose checksum fails keeps for its retry the address the image
// carried to it; the sector's other bytes stay as they were; and the records
// name each address on one chip only.
#include "MacLedger.h"
#include "MacPool.h"
#include "ProductionRecorder.h"
#include "Recipe.h"
#include "RecipeImage.h"
#include "RecordStore.h"
#include "Station.h"
#include "StationLogTexts.h"
#include "WorkerHarness.h"

#include <QDir>
#include <QMap>
#include <QSet>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

constexpr int stationCount = 8;
constexpr int timeoutMs = 60000;
constexpr quint64 poolFirst = 0x001A2B000000ull;
constexpr quint64 reworkedAddress = poolFirst + 0xF0;

struct Socket {
    std::unique_ptr<VirtualChip> chip;
    std::unique_ptr<Station> station;
    std::unique_ptr<ProductionRecorder> records;
};

// Each chip's sector holds bytes of its own before any station touches it.
QByteArray sectorOf(int socket, int chipNumber)
{
    return pattern(4096, 1000 + socket * 10 + chipNumber);
}

} // namespace

class StationIdentityTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(folder.isValid());
        previousFolder = QDir::currentPath();
        QDir::setCurrent(folder.path());
    }

    void cleanupTestCase() { QDir::setCurrent(previousFolder); }

    void eightStationsThreeRounds_data()
    {
        QTest::addColumn<bool>("inside");
        QTest::newRow("address inside the image") << true;
        QTest::newRow("address in a sector of its own") << false;
    }

    void eightStationsThreeRounds()
    {
        QFETCH(bool, inside);
        const QString records = folder.filePath(QStringLiteral("%1/production.sqlite").arg(inside));
        const QByteArray image = pattern(24 * 1024 + 100, 21);
        const quint32 macAt = inside ? 0x2000 : 0xFF010;
        const int sectorAt = int(macAt / 4096 * 4096);
        Recipe recipe;
        recipe.FileName = folder.filePath("image.bin");
        QFile file(recipe.FileName);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(image) == image.size());
        file.close();
        recipe.retries = 1;
        recipe.identity = { true, "00:1A:2B:00:00:00-00:1A:2B:00:00:FF", QString::number(macAt), "raw", 1 };
        IdentitySettings identity;
        QString why;
        QVERIFY2(recipe.fillIdentity(identity, why), qPrintable(why));
        const std::optional<RecipeImage> loaded = RecipeImage::load(recipe, &why);
        QVERIFY2(loaded, qPrintable(why));
        RecordLocation location;
        location.sqlitePath = records;

        Socket sockets[stationCount];
        for (int i = 0; i < stationCount; ++i) {
            Socket& s = sockets[i];
            s.chip = std::make_unique<VirtualChip>();
            QVERIFY(s.chip->start(folder.filePath(QStringLiteral("ttyId%1_%2").arg(inside).arg(i))));
            s.chip->configure([](ChipKnobs& k) { k.strictLineEnds = true; });
            s.chip->fillFlash(sectorAt, sectorOf(i, 0));
            s.station = std::make_unique<Station>(s.chip->portName());
            s.station->setTiming(WorkerHarness::fastTiming());
            s.records = std::make_unique<ProductionRecorder>(location);
            RecordContext context;
            context.station = s.chip->portName();
            s.records->setContext(context);
            connect(s.station.get(), &Station::attemptStarted, s.records.get(), &ProductionRecorder::attemptStarted);
            connect(s.station.get(), &Station::attemptFinished, s.records.get(), &ProductionRecorder::attemptFinished);
        }
        // Round 1: station 3's chip fails before anything is written, twice; station 5's fails its checksum, twice.
        sockets[3].chip->configure([](ChipKnobs& k) { k.md4Word = 0x1234; });
        sockets[5].chip->configure([](ChipKnobs& k) { k.wrongChecksum = true; });
        for (Socket& s : sockets)
            s.station->start(recipe, *loaded,
                std::make_unique<MacPool>(
                    location, identity.pool, MacPool::Owner { "pc", "tervaskfactory", s.station->port() }));

        QMap<QPair<int, int>, quint64> addressOf; // (socket, chip number) -> the address its flash holds
        const auto roundDone = [&](int round) {
            for (Socket& s : sockets) {
                if (s.station->counters().total != round)
                    return false;
            }
            return true;
        };
        // What each chip in a socket holds once its round is done.
        const auto checkChips = [&]() -> bool {
            for (int i = 0; i < stationCount; ++i) {
                VirtualChip& chip = *sockets[i].chip;
                const int number = chip.chipNumber();
                const QByteArray field = chip.flash(int(macAt), 6);
                const std::optional<MacAddress> mac = MacAddress::fromRaw(field);
                QByteArray expectedSector = sectorOf(i, number);
                const bool written = identity.pool.holdsBase(*mac);
                if (written)
                    addressOf.insert({ i, number }, mac->value());
                if (inside && written) {
                    QByteArray expectedImage = image;
                    expectedImage.replace(int(macAt) - 0x1000, 6, field);
                    if (chip.flash(0x1000, image.size()) != expectedImage)
                        return false;
                } else if (!inside) {
                    if (written)
                        expectedSector.replace(int(macAt) - sectorAt, 6, field);
                    if (chip.flash(sectorAt, 4096) != expectedSector) {
                        qWarning("socket %d: the sector is not as it was but for the address", i);
                        return false;
                    }
                }
            }
            return true;
        };
        // Pulled: each station says it awaits a chip once it has seen its chip go.
        std::vector<std::unique_ptr<QSignalSpy>> awaited;
        for (Socket& s : sockets)
            awaited.push_back(std::make_unique<QSignalSpy>(s.station.get(), &Station::chipAwaited));
        const auto pullAll = [&] {
            QList<int> before;
            for (int i = 0; i < stationCount; ++i) {
                before << int(awaited[i]->size());
                sockets[i].chip->unplug();
            }
            for (int i = 0; i < stationCount; ++i) {
                if (!QTest::qWaitFor([&] { return awaited[i]->size() > before.at(i); }, timeoutMs))
                    return false;
            }
            return true;
        };
        const auto newChip = [&](int i) {
            const int number = sockets[i].chip->insertNewChip();
            sockets[i].chip->fillFlash(sectorAt, sectorOf(i, number));
            sockets[i].chip->configure([](ChipKnobs& k) {
                k.md4Word = 0xB0B1;
                k.wrongChecksum = false;
            });
            return number;
        };

        QTRY_VERIFY_WITH_TIMEOUT(roundDone(1), timeoutMs);
        QVERIFY(checkChips());
        QCOMPARE(sockets[3].station->counters(), StationCounters({ 1, 0, 1 }));
        QCOMPARE(sockets[5].station->counters(), StationCounters({ 1, 0, 1 }));

        // Round 2: station 0's chip goes back into its socket; the others get new chips.
        QVERIFY(pullAll());
        for (int i = 1; i < stationCount; ++i)
            newChip(i);
        for (Socket& s : sockets)
            s.chip->plug();
        QTRY_VERIFY_WITH_TIMEOUT(roundDone(2), timeoutMs);
        QVERIFY(checkChips());

        // Round 3: new chips, station 7's reworked: it carries an address of the pool.
        QVERIFY(pullAll());
        for (int i = 0; i < stationCount; ++i)
            newChip(i);
        sockets[7].chip->fillFlash(int(macAt), MacAddress(reworkedAddress).raw());
        for (Socket& s : sockets)
            s.chip->plug();
        QTRY_VERIFY_WITH_TIMEOUT(roundDone(3), timeoutMs);
        QVERIFY(checkChips());
        for (Socket& s : sockets)
            s.station->stop();
        for (Socket& s : sockets) {
            QTRY_VERIFY_WITH_TIMEOUT(!s.station->isRunning(), timeoutMs);
            QVERIFY(s.records->finish());
        }

        // Every station passed its chips but the two bad ones of round 1.
        for (int i = 0; i < stationCount; ++i)
            QCOMPARE(sockets[i].station->counters().pass, i == 3 || i == 5 ? 2 : 3);
        const QStringList first = stationLogTexts(*sockets[0].station);
        QCOMPARE(first.filter(QRegularExpression("^MAC: .* \\(new\\)$")).size(), 2);
        QCOMPARE(first.filter(QRegularExpression("^MAC: .* \\(kept\\)$")).size(), 1);
        QCOMPARE(addressOf.value({ 7, 2 }), reworkedAddress);
        QVERIFY(stationLogTexts(*sockets[7].station).contains("MAC: 00:1A:2B:00:00:F0 (kept)"));
        // Station 5's bad chip: the image carried its address, so its retry kept it; without, nothing was written.
        const QStringList fifth = stationLogTexts(*sockets[5].station);
        QCOMPARE(fifth.filter(QRegularExpression("^MAC: .* \\(kept\\)$")).size(), inside ? 1 : 0);
        QCOMPARE(addressOf.contains({ 5, 0 }), inside);

        // One address per chip, none twice.
        QSet<quint64> distinct;
        for (const quint64 mac : std::as_const(addressOf))
            distinct.insert(mac);
        QCOMPARE(distinct.size(), addressOf.size());
        QCOMPARE(addressOf.size(), 8 + 7 + 8 - (inside ? 0 : 1) - 1);

        // The ledger: the chips' addresses are used; with those given back, the
        // pool's start without a gap (the reworked chip's claimed beside).
        RecordStore store;
        QVERIFY(store.openLocal(records, RecordTiming()));
        MacLedger ledger(store);
        QList<MacLedger::Row> used;
        QList<MacLedger::Row> cameBack;
        QVERIFY(ledger.rowsInState(identity.pool, "used", false, used));
        QVERIFY(ledger.rowsInState(identity.pool, "free", false, cameBack));
        QSet<quint64> usedSet;
        for (const MacLedger::Row& row : std::as_const(used))
            usedSet.insert(row.base);
        QCOMPARE(usedSet, distinct);
        QList<quint64> handedOut;
        for (const MacLedger::Row& row : used + cameBack) {
            if (row.base != reworkedAddress)
                handedOut << row.base;
        }
        std::sort(handedOut.begin(), handedOut.end());
        for (int i = 0; i < handedOut.size(); ++i)
            QCOMPARE(MacAddress(handedOut.at(i)).text(), MacAddress(poolFirst + quint64(i)).text());

        // The records: each address on the attempts of one station only.
        QSqlQuery query(store.database());
        QVERIFY(query.exec("SELECT chip_id, COUNT(DISTINCT station) FROM chip_attempts WHERE chip_id <> ''"
                           " GROUP BY chip_id"));
        QSet<quint64> recorded;
        while (query.next()) {
            QCOMPARE(query.value(1).toInt(), 1);
            recorded.insert(MacAddress::parse(query.value(0).toString())->value());
        }
        QCOMPARE(recorded, distinct);
    }

private:
    QTemporaryDir folder;
    QString previousFolder;
};

QTEST_GUILESS_MAIN(StationIdentityTest)
#include "tst_stationidentity.moc"
