// Five PCs of a line on one MAC pool of a PostgreSQL server that the test
// stops and starts mid-run: four console downloaders in automatic mode and a
// factory station of two fixtures, each PC holding blocks of two chips per
// fixture. The
// chips go on getting addresses while the server is away; afterwards no
// address is on two chips, and every used address is in the records of
// exactly one chip.
#include "MacPool.h"
#include "ProductionRecorder.h"
#include "ProgramFiles.h"
#include "Recipe.h"
#include "RecipeImage.h"
#include "RecordForwarder.h"
#include "Station.h"
#include "ThrowawayPostgres.h"
#include "WorkerHarness.h"

#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <memory>

namespace {

constexpr int programs = 4;
constexpr int fixtures = 2;
constexpr int rounds = 4;
constexpr int timeoutMs = 60000;
constexpr quint32 macAt = 0xFF000;
const QString poolText = QStringLiteral("00:1A:2B:00:00:00-00:1A:2B:00:00:FF");

// A console downloader in a program folder of its own (its own local file: a PC of its own).
struct Program {
    QTemporaryDir folder;
    VirtualChip chip;
    QProcess process;
    QByteArray output;

    int count(const QByteArray& line) const { return int(output.count(line)); }
};

} // namespace

class LinePoolTest : public QObject {
    Q_OBJECT

private slots:
    void fivePcsWhileTheServerGoesAndComes()
    {
        ThrowawayPostgres postgres;
        QVERIFY2(postgres.create() && postgres.start(), qPrintable(postgres.lastError()));
        qputenv("TERVASK_RECORDS", postgres.url().toUtf8());
        const QByteArray image = randomBytes(8 * 1024, 8);
        const QStringList macOptions { "--mac-pool", poolText, "--mac-at", QString::number(macAt) };

        Program pcs[programs];
        for (Program& pc : pcs) {
            QVERIFY(pc.folder.isValid());
            const QString program = pc.folder.filePath("tervaskcmd");
            QVERIFY(QFile::copy(TERVASKCMD_PATH, program));
            QVERIFY(QFile::copy(TERVASKRECORDS_PATH, pc.folder.filePath("tervaskrecords")));
            QVERIFY(writeFile(pc.folder.filePath("image.bin"), image));
            QVERIFY(QDir(pc.folder.path()).mkdir("cfg"));
            QVERIFY(writeFile(pc.folder.filePath("cfg/records.ini"), "[General]\nMacBlock=2\n"));
            QVERIFY(pc.chip.start());
            pc.chip.configure([](ChipKnobs& k) { k.strictLineEnds = true; });
            connect(&pc.process, &QProcess::readyReadStandardOutput, this,
                [&pc] { pc.output += pc.process.readAllStandardOutput(); });
            pc.process.start(
                program, QStringList { "--p", pc.chip.portName(), "--file", "image.bin", "--loop" } + macOptions);
        }

        // The station's PC: two fixtures, each station with its own pool connection.
        QTemporaryDir stationPc;
        RecordLocation stationLocation
            = RecordLocation::fromUrl(postgres.url(), stationPc.filePath("records/production.sqlite"));
        stationLocation.macBlockChips = 4; // its two fixtures' chips of two rounds
        Recipe recipe;
        recipe.FileName = stationPc.filePath("image.bin");
        QVERIFY(writeFile(recipe.FileName, image));
        recipe.identity = { true, poolText, QString::number(macAt), "raw", 1 };
        IdentitySettings identity;
        QString why;
        QVERIFY2(recipe.fillIdentity(identity, why), qPrintable(why));
        const std::optional<RecipeImage> loaded = RecipeImage::load(recipe, &why);
        QVERIFY2(loaded, qPrintable(why));
        std::unique_ptr<VirtualChip> stationChips[fixtures];
        std::unique_ptr<Station> stations[fixtures];
        std::unique_ptr<ProductionRecorder> recorders[fixtures];
        std::unique_ptr<QSignalSpy> awaited[fixtures];
        const QString previousFolder = QDir::currentPath();
        QDir::setCurrent(stationPc.path());
        for (int i = 0; i < fixtures; ++i) {
            stationChips[i] = std::make_unique<VirtualChip>();
            QVERIFY(stationChips[i]->start());
            stationChips[i]->configure([](ChipKnobs& k) { k.strictLineEnds = true; });
            stations[i] = std::make_unique<Station>(stationChips[i]->portName());
            stations[i]->setTiming(WorkerHarness::fastTiming());
            recorders[i] = std::make_unique<ProductionRecorder>(stationLocation);
            RecordContext context;
            context.station = stations[i]->port();
            recorders[i]->setContext(context);
            connect(
                stations[i].get(), &Station::attemptStarted, recorders[i].get(), &ProductionRecorder::attemptStarted);
            connect(
                stations[i].get(), &Station::attemptFinished, recorders[i].get(), &ProductionRecorder::attemptFinished);
            awaited[i] = std::make_unique<QSignalSpy>(stations[i].get(), &Station::chipAwaited);
            stations[i]->start(recipe, *loaded,
                std::make_unique<MacPool>(stationLocation, identity.pool,
                    MacPool::Owner { "station-pc", "tervaskfactory", stations[i]->port() }));
        }

        // Every chip that was ever in a socket, by its port and number: the address its flash holds.
        QMap<QPair<QString, int>, quint64> onChips;
        const auto noteChip = [&](VirtualChip& chip) {
            const std::optional<MacAddress> mac = MacAddress::fromRaw(chip.flash(int(macAt), 6));
            if (mac && identity.pool.holdsBase(*mac))
                onChips.insert({ chip.portName(), chip.chipNumber() }, mac->value());
        };
        for (int round = 1; round <= rounds; ++round) {
            for (Program& pc : pcs)
                QTRY_VERIFY2_WITH_TIMEOUT(
                    pc.count("The downloading is successed!\n") == round, pc.output.right(2000).constData(), timeoutMs);
            for (auto& station : stations)
                QTRY_COMPARE_WITH_TIMEOUT(station->counters().pass, round, timeoutMs);
            for (Program& pc : pcs)
                noteChip(pc.chip);
            for (auto& chip : stationChips)
                noteChip(*chip);
            if (round == rounds)
                break;
            // The server goes after the first round and comes back after the second.
            if (round == 1)
                QVERIFY2(postgres.stop(), qPrintable(postgres.lastError()));
            if (round == 2)
                QVERIFY2(postgres.start(), qPrintable(postgres.lastError()));

            // Each socket gets a new chip once its station has seen the last one go.
            for (Program& pc : pcs)
                pc.chip.unplug();
            for (int i = 0; i < fixtures; ++i) {
                const int waits = int(awaited[i]->size());
                stationChips[i]->unplug();
                QTRY_VERIFY_WITH_TIMEOUT(awaited[i]->size() > waits, timeoutMs);
                stationChips[i]->insertNewChip();
                stationChips[i]->plug();
            }
            for (Program& pc : pcs) {
                QTRY_VERIFY_WITH_TIMEOUT(pc.count("Waiting for plug in...\n") > round, timeoutMs);
                pc.chip.insertNewChip();
                pc.chip.plug();
            }
        }

        // A normal end: each PC tells the server what it used and gives back the rest.
        for (Program& pc : pcs) {
            ::kill(pc.process.processId(), SIGINT);
            QVERIFY(pc.process.waitForFinished(timeoutMs));
            QCOMPARE(pc.process.exitCode(), 2);
            // The outage itself is told ("records wait for the line database"); nothing may be lost.
            const QByteArray errors = pc.process.readAllStandardError();
            QVERIFY2(!errors.contains("MAC") && !errors.contains("not stored"), errors.constData());
        }
        for (int i = 0; i < fixtures; ++i) {
            stations[i]->stop();
            QTRY_VERIFY_WITH_TIMEOUT(!stations[i]->isRunning(), timeoutMs);
            QVERIFY(recorders[i]->finish());
        }
        QDir::setCurrent(previousFolder);
        // The rows of the outage go to the server now.
        for (Program& pc : pcs) {
            QProcess forward;
            forward.start(pc.folder.filePath("tervaskrecords"), { "forward" });
            QVERIFY(forward.waitForFinished(timeoutMs));
            QCOMPARE(forward.exitCode(), 0);
        }
        for (auto& recorder : recorders)
            recorder.reset();
        RecordForwarder stationOutbox(stationLocation, RecordTiming());
        QVERIFY(stationOutbox.forward() >= 0);

        // No address on two chips; 24 chips, 24 addresses.
        QCOMPARE(onChips.size(), (programs + fixtures) * rounds);
        QSet<quint64> distinct;
        for (const quint64 mac : std::as_const(onChips))
            distinct.insert(mac);
        QCOMPARE(distinct.size(), onChips.size());

        QSqlDatabase db = QSqlDatabase::addDatabase("QPSQL", "check");
        db.setHostName("127.0.0.1");
        db.setPort(postgres.port());
        db.setDatabaseName("postgres");
        db.setUserName("postgres");
        QVERIFY(db.open());
        QSqlQuery query(db);
        // The server's ledger: exactly the chips' addresses used, nothing left held.
        QVERIFY(query.exec("SELECT base, state FROM mac_addresses"));
        QSet<quint64> used;
        while (query.next()) {
            QVERIFY2(query.value(1).toString() != "held", qPrintable(query.value(0).toString()));
            if (query.value(1).toString() == "used")
                used.insert(quint64(query.value(0).toLongLong()));
        }
        QCOMPARE(used, distinct);
        // The records: each used address on the attempts of one chip, the one whose flash holds it.
        QVERIFY(query.exec("SELECT chip_id, MIN(station), COUNT(DISTINCT station), COUNT(*) FROM chip_attempts"
                           " WHERE chip_id <> '' GROUP BY chip_id"));
        QSet<quint64> recorded;
        while (query.next()) {
            const quint64 mac = MacAddress::parse(query.value(0).toString())->value();
            QCOMPARE(query.value(2).toInt(), 1);
            QCOMPARE(query.value(3).toInt(), 1);
            QCOMPARE(onChips.key(mac).first, query.value(1).toString());
            recorded.insert(mac);
        }
        QCOMPARE(recorded, distinct);
        query.finish();
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase("check");
        qunsetenv("TERVASK_RECORDS");
        QVERIFY2(postgres.stop(), qPrintable(postgres.lastError()));
    }
};

QTEST_GUILESS_MAIN(LinePoolTest)
#include "tst_linepool.moc"
