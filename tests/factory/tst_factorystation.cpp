// Four stations on four virtual chips through a short shift: chips plugged
// and pulled on each station's own schedule, a chip that fails its checksum,
// an adapter pulled and plugged back during a download, a port held by
// another program, then Stop all while four transfers run.
#include "Recipe.h"
#include "RecipeImage.h"
#include "Station.h"
#include "StationLogTexts.h"
#include "StationTotals.h"
#include "WorkerHarness.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

constexpr int timeoutMs = 30000;

// A chip plugged into the socket for the first time: empty flash, nothing seen.
void freshChip(VirtualChip& chip, int imageSize)
{
    chip.fillFlash(0x1000, QByteArray(imageSize, char(0xFF)));
    chip.clearEvents();
}

int eventCount(const VirtualChip& chip, ChipEvent::Kind kind)
{
    int count = 0;
    for (const ChipEvent& event : chip.events())
        count += event.kind == kind;
    return count;
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<no file>");
}

} // namespace

class FactoryStationTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(folder.isValid());
        previousFolder = QDir::currentPath();
        QDir::setCurrent(folder.path());
    }

    void cleanupTestCase() { QDir::setCurrent(previousFolder); }

    void fourStationsThroughAShift()
    {
        const QByteArray image = pattern(24 * 1024 + 300, 13);
        Recipe recipe;
        recipe.FileName = folder.filePath("image.bin");
        // The slow lines' speed; an instant chip takes any.
        recipe.BaudRate = "115200";
        {
            QFile file(recipe.FileName);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QCOMPARE(file.write(image), qint64(image.size()));
        }
        QString error;
        const std::optional<RecipeImage> loaded = RecipeImage::load(recipe, &error);
        QVERIFY2(loaded, qPrintable(error));

        enum { A, B, C, D, count };
        std::unique_ptr<VirtualChip> chips[count];
        std::unique_ptr<Station> stations[count];
        StationTotals totals;
        std::vector<std::unique_ptr<QSignalSpy>> awaited;
        for (int i = 0; i < count; ++i) {
            chips[i] = std::make_unique<VirtualChip>();
            QVERIFY(chips[i]->start(folder.filePath(QStringLiteral("ttyFixture%1").arg(QChar('A' + i)))));
            freshChip(*chips[i], image.size());
            chips[i]->configure([](ChipKnobs& k) { k.strictLineEnds = true; });
            stations[i] = std::make_unique<Station>(chips[i]->portName());
            stations[i]->setTiming(WorkerHarness::fastTiming());
            totals.watch(stations[i].get());
            awaited.push_back(std::make_unique<QSignalSpy>(stations[i].get(), &Station::chipAwaited));
        }
        VirtualChip& b = *chips[B];
        VirtualChip& c = *chips[C];
        VirtualChip& d = *chips[D];
        // B's first chip answers a wrong checksum; C's line is slow, so that its
        // adapter can be pulled during the download; D's socket starts empty.
        b.configure([](ChipKnobs& k) { k.wrongChecksum = true; });
        c.configure([](ChipKnobs& k) { k.baud = 115200; });
        d.unplug();
        for (auto& station : stations)
            station->start(recipe, *loaded);

        // A fifth port is held by another program: only its own tile says so.
        VirtualChip heldChip;
        QVERIFY(heldChip.start());
        QSerialPort holder(heldChip.portName());
        QVERIFY(holder.open(QIODevice::ReadWrite));
        Station held(heldChip.portName());
        QSignalSpy heldStopped(&held, &Station::stopped);
        held.start(recipe, *loaded);
        QTRY_COMPARE_WITH_TIMEOUT(heldStopped.size(), 1, timeoutMs);
        QCOMPARE(held.state(), StationState::PortError);
        QCOMPARE(held.reason(), WorkerHarness::openRefusal(heldChip.portName()));
        QVERIFY(!held.isRunning());

        const auto passedOnce = [&](int i) {
            return stations[i]->state() == StationState::Passed && chips[i]->flash(0x1000, image.size()) == image
                && eventCount(*chips[i], ChipEvent::TransferEnd) == 1;
        };
        // The finished chip stays in the socket while the station checks on it
        // (knocks): it must not be downloaded again meanwhile.
        const auto staysDownloadedOnce = [&](int i) {
            const int knocks = chips[i]->knockCount();
            return WorkerHarness::waitFor([&] { return chips[i]->knockCount() >= knocks + 6; })
                && eventCount(*chips[i], ChipEvent::TransferStart) == (i == B ? 2 : 1);
        };
        const auto swapChip = [&](int i) {
            const int waits = awaited[i]->size();
            chips[i]->unplug();
            if (!QTest::qWaitFor([&] { return awaited[i]->size() > waits; }, timeoutMs))
                return false;
            // The last chip's result stays shown until the next chip starts.
            if (stations[i]->state() != StationState::Passed && stations[i]->state() != StationState::Failed)
                return false;
            freshChip(*chips[i], image.size());
            chips[i]->plug();
            return true;
        };

        // C: the adapter goes while packets flow, and comes back with the chip still in.
        QTRY_VERIFY_WITH_TIMEOUT(eventCount(c, ChipEvent::Packet) >= 3, timeoutMs);
        c.pullAdapter();
        QTRY_COMPARE_WITH_TIMEOUT(stations[C]->counters().fail, 1, timeoutMs);
        QCOMPARE(stations[C]->state(), StationState::AdapterLost);

        // A: two chips, one after the other.
        QTRY_VERIFY_WITH_TIMEOUT(passedOnce(A), timeoutMs);
        QVERIFY(staysDownloadedOnce(A));
        QVERIFY(swapChip(A));
        QTRY_VERIFY_WITH_TIMEOUT(passedOnce(A), timeoutMs);

        // B: the bad chip is tried twice, shown as failed with its reason, and
        // left alone until it is pulled; the next chip passes.
        QTRY_COMPARE_WITH_TIMEOUT(stations[B]->state(), StationState::Failed, timeoutMs);
        QVERIFY2(stations[B]->reason().startsWith("Error : verify failed! The correct checksum is: 0x"),
            qPrintable(stations[B]->reason()));
        QVERIFY(staysDownloadedOnce(B));
        QCOMPARE(stations[B]->state(), StationState::Failed);
        b.configure([](ChipKnobs& k) { k.wrongChecksum = false; });
        QVERIFY(swapChip(B));
        QTRY_VERIFY_WITH_TIMEOUT(passedOnce(B), timeoutMs);

        // D: a chip arrives late, then another.
        d.plug();
        QTRY_VERIFY_WITH_TIMEOUT(passedOnce(D), timeoutMs);
        QVERIFY(staysDownloadedOnce(D));
        QVERIFY(swapChip(D));
        QTRY_VERIFY_WITH_TIMEOUT(passedOnce(D), timeoutMs);

        // C: back on a fast line; the station goes on by itself.
        c.configure([](ChipKnobs& k) { k.baud = 0; });
        freshChip(c, image.size());
        QVERIFY(c.plugAdapter());
        QTRY_VERIFY_WITH_TIMEOUT(passedOnce(C), timeoutMs);
        QVERIFY(staysDownloadedOnce(C));

        // C's chip that the lost adapter cut short counts as failed, and is downloaded anew once the adapter is back.
        // Every passed chip passed at its first attempt: B's bad chip failed both of its own.
        const StationCounters expected[count] = { { 2, 2, 0, 2 }, { 2, 1, 1, 1 }, { 2, 1, 1, 1 }, { 2, 2, 0, 2 } };
        for (int i = 0; i < count; ++i)
            QCOMPARE(stations[i]->counters(), expected[i]);
        QCOMPARE(totals.counters(), StationCounters({ 8, 6, 2, 6 }));

        // Stop all while every station is in the middle of a transfer.
        for (int i = 0; i < count; ++i) {
            chips[i]->configure([](ChipKnobs& k) { k.baud = 115200; });
            QVERIFY(swapChip(i));
        }
        for (int i = 0; i < count; ++i)
            QTRY_VERIFY_WITH_TIMEOUT(eventCount(*chips[i], ChipEvent::Packet) >= 3, timeoutMs);
        std::vector<std::unique_ptr<QSignalSpy>> stops;
        for (auto& station : stations)
            stops.push_back(std::make_unique<QSignalSpy>(station.get(), &Station::stopped));
        QElapsedTimer stopping;
        stopping.start();
        for (auto& station : stations)
            station->stop();
        const qint64 boundMs = FactoryTiming().stopBound.count();
        for (int i = 0; i < count; ++i) {
            QTRY_COMPARE_WITH_TIMEOUT(stops[i]->size(), 1, int(boundMs - stopping.elapsed()));
            QCOMPARE(stations[i]->state(), StationState::Idle);
            QVERIFY(!stations[i]->isRunning());
            QVERIFY(eventCount(*chips[i], ChipEvent::TransferEnd) == 0);
            // Closed: another program can take the port at once.
            QSerialPort other(chips[i]->portName());
            QVERIFY2(other.open(QIODevice::ReadWrite), qPrintable(other.errorString()));
        }
        // A stop counts no chip.
        QCOMPARE(totals.counters().total, 8);

        // Each station logs its own port only, and its run log holds exactly its log.
        for (int i = 0; i < count; ++i) {
            const QStringList texts = stationLogTexts(*stations[i]);
            QVERIFY(texts.contains("Close port " + chips[i]->portName()));
            for (int j = 0; j < count; ++j)
                if (j != i)
                    QVERIFY2(texts.filter(chips[j]->portName()).isEmpty(),
                        qPrintable(texts.filter(chips[j]->portName()).join('\n')));
            const QString runLog = stations[i]->runLogPath();
            QVERIFY2(QRegularExpression(QStringLiteral(R"(^logs/factory_\d{4}(-\d\d){5}_%1(_\d+)?\.log$)")
                                            .arg(Station::safeFileNamePart(chips[i]->portName())))
                         .match(runLog)
                         .hasMatch(),
                qPrintable(runLog));
            QCOMPARE(fileBytes(runLog), (texts.join("\r\n") + "\r\n").toLocal8Bit());
        }
        QCOMPARE(stationLogTexts(*stations[C]).count("Error: the port " + c.portName() + " is lost!"), 1);
    }

    // Memory holds the last lines only; the run log holds every one of them.
    void keepsTheLastLinesInMemory()
    {
        Recipe recipe;
        const std::optional<RecipeImage> loaded = writeImage(pattern(3000, 5), recipe);
        QVERIFY(loaded);
        VirtualChip chip;
        QVERIFY(chip.start());
        Station station(chip.portName());
        station.setTiming(WorkerHarness::fastTiming());
        station.setLogLimit(10);
        QSignalSpy stopped(&station, &Station::stopped);
        station.start(recipe, *loaded);
        QTRY_COMPARE_WITH_TIMEOUT(station.state(), StationState::Passed, timeoutMs);
        station.stop();
        QTRY_COMPARE_WITH_TIMEOUT(stopped.size(), 1, timeoutMs);

        const QStringList everyLine
            = QString::fromLocal8Bit(fileBytes(station.runLogPath())).split("\r\n", Qt::SkipEmptyParts);
        QVERIFY2(everyLine.size() > 10, qPrintable(everyLine.join('\n')));
        QCOMPARE(stationLogTexts(station), everyLine.mid(everyLine.size() - 10));
    }

    // A chip pulled during its first attempt, with a retry left: the failed
    // attempt shows FAIL and its reason at once, the chip is counted once,
    // and a chip plugged half a second later is a new chip with attempts of
    // its own. With nothing plugged, FAIL stays shown while the station waits.
    void chipPulledDuringItsFirstAttempt_data()
    {
        QTest::addColumn<bool>("plugAnother");
        QTest::newRow("a fresh chip plugged 0.5 s later") << true;
        QTest::newRow("nothing plugged") << false;
    }

    void chipPulledDuringItsFirstAttempt()
    {
        QFETCH(bool, plugAnother);
        const QByteArray image = pattern(16 * 1024, 21);
        Recipe recipe;
        const std::optional<RecipeImage> loaded = writeImage(image, recipe);
        QVERIFY(loaded);
        recipe.retries = 1;
        recipe.BaudRate = "115200";
        VirtualChip chip;
        QVERIFY(chip.start());
        chip.configure([](ChipKnobs& k) {
            k.strictLineEnds = true;
            k.baud = 115200; // about 90 ms a packet: the pull lands inside the transfer
        });
        freshChip(chip, image.size());
        Station station(chip.portName());
        station.setTiming(WorkerHarness::fastTiming());
        QList<StationState> states;
        connect(&station, &Station::stateChanged, this, [&states](StationState state) { states << state; });
        QList<AttemptReport> attempts;
        connect(&station, &Station::attemptFinished, this, [&attempts](const AttemptReport& a) { attempts << a; });
        QSignalSpy awaited(&station, &Station::chipAwaited);
        station.start(recipe, *loaded);

        QTRY_VERIFY_WITH_TIMEOUT(eventCount(chip, ChipEvent::Packet) >= 3, timeoutMs);
        chip.unplug();
        const QString reason = "Error: recieve no data!";
        QTRY_COMPARE_WITH_TIMEOUT(attempts.size(), 1, timeoutMs);
        QCOMPARE(states.mid(states.indexOf(StationState::Downloading), 2),
            QList<StationState>({ StationState::Downloading, StationState::Failed }));
        QCOMPARE(station.reason(), reason);
        if (plugAnother) {
            QTest::qWait(500);
            freshChip(chip, image.size());
            chip.plug();
            QTRY_COMPARE_WITH_TIMEOUT(station.counters(), StationCounters({ 2, 1, 1, 1 }), timeoutMs);
            QCOMPARE(station.state(), StationState::Passed);
            QCOMPARE(chip.flash(0x1000, image.size()), image);
            QCOMPARE(attempts.size(), 2);
            QCOMPARE(attempts.at(1).result, AttemptReport::Result::Pass);
            QCOMPARE(attempts.at(1).chipAttempt, 1);
        } else {
            QTRY_COMPARE_WITH_TIMEOUT(station.counters(), StationCounters({ 1, 0, 1, 0 }), timeoutMs);
            QTRY_COMPARE_WITH_TIMEOUT(awaited.size(), 2, timeoutMs);
            QCOMPARE(station.state(), StationState::Failed);
            QCOMPARE(station.reason(), reason);
            QCOMPARE(attempts.size(), 1);
        }
        QCOMPARE(attempts.first().result, AttemptReport::Result::Fail);
        QCOMPARE(attempts.first().failedStep, AttemptReport::Step::Transfer);
        QCOMPARE(attempts.first().reason, reason);
        QCOMPARE(attempts.first().chipAttempt, 1);
    }

    // A station closed while its chip works on a command for a minute ends its
    // job within the engine's Stop bound, not the station's 10 s give-up bound
    // after which its thread would be left running.
    void closingAStationMidCommandLeavesNoThread()
    {
        Recipe recipe;
        const std::optional<RecipeImage> loaded = writeImage(pattern(4096, 2), recipe);
        QVERIFY(loaded);
        VirtualChip chip;
        QVERIFY(chip.start());
        chip.configure([](ChipKnobs& k) { k.commandDelayMs = 60000; });
        auto station = std::make_unique<Station>(chip.portName());
        station->start(recipe, *loaded);
        QTRY_VERIFY_WITH_TIMEOUT(chip.commands().size() == 1, timeoutMs);
        QTest::qWait(200); // well into the command's wait
        QElapsedTimer closing;
        closing.start();
        station.reset();
        QVERIFY2(closing.elapsed() < 1000, qPrintable(QString("%1 ms").arg(closing.elapsed())));
        QSerialPort other(chip.portName());
        QVERIFY2(other.open(QIODevice::ReadWrite), qPrintable(other.errorString()));
    }

private:
    // The recipe's image file and the bytes the stations share.
    std::optional<RecipeImage> writeImage(const QByteArray& image, Recipe& recipe)
    {
        recipe.FileName = folder.filePath("image.bin");
        QFile file(recipe.FileName);
        if (!file.open(QIODevice::WriteOnly) || file.write(image) != image.size())
            return std::nullopt;
        file.close();
        return RecipeImage::load(recipe, nullptr);
    }

    QTemporaryDir folder;
    QString previousFolder;
};

QTEST_GUILESS_MAIN(FactoryStationTest)
#include "tst_factorystation.moc"
