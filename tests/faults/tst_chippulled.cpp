// A chip pulled, or the USB adapter itself pulled, in the middle of each step
// of a job: the job must end with one red line naming what went wrong, then
// the outcome line and a closed port, within the time-outs of the step.
#include "WorkerHarness.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

#include <atomic>

namespace {

bool chipSawPacket(const VirtualChip& chip, int number)
{
    for (const ChipEvent& event : chip.events())
        if (event.kind == ChipEvent::Packet && event.text.toInt() >= number)
            return true;
    return false;
}

bool logHas(const WorkerHarness& h, const QString& start)
{
    const QStringList lines = h.texts();
    return std::any_of(lines.cbegin(), lines.cend(), [&start](const QString& line) { return line.startsWith(start); });
}

QStringList redLinesFrom(const WorkerHarness& h, int first)
{
    QStringList red;
    const QList<WorkerHarness::Line> lines = h.allLines();
    for (int i = first; i < lines.size(); ++i)
        if (lines.at(i).color == QColor(Qt::red))
            red.append(lines.at(i).text);
    return red;
}

} // namespace

class ChipPulledTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir;

private slots:
    void initTestCase() { QVERIFY(dir.isValid()); }

    // The wait allowed after the pull is the step's own time-out with the
    // harness's short timings; a dead adapter fails the first read or write.
    void pulledDuringAStep_data()
    {
        QTest::addColumn<QString>("step");
        QTest::addColumn<bool>("adapter");
        QTest::addColumn<QString>("redLine");
        QTest::addColumn<int>("limitMs");

        const LinkTiming t = WorkerHarness::fastTiming();
        // Every write of a command is followed by a 10 ms pause and the reply wait.
        const int command = int((t.commandResends + 1) * (10 + t.commandReply.count())) + 500;
        const int lost = 1000;
        const QString lostLine = QStringLiteral("Error: the port %1 is lost!");

        QTest::newRow("device wait, chip pulled")
            << "device" << false << "Error: Not find a device!" << int(t.newChipWait.count()) + 300;
        QTest::newRow("device wait, adapter pulled") << "device" << true << lostLine << lost;
        QTest::newRow("partition script, chip pulled")
            << "partition" << false << "Error: fail to write command!" << command;
        QTest::newRow("partition script, adapter pulled") << "partition" << true << lostLine << lost;
        QTest::newRow("XMODEM start, chip pulled")
            << "start" << false << "Error: start xmodem failed!" << int(t.xmodemStart.count()) + 200;
        QTest::newRow("XMODEM start, adapter pulled") << "start" << true << lostLine << lost;
        QTest::newRow("XMODEM packets, chip pulled")
            << "packets" << false << "Error: recieve no data!"
            << int(t.packetAnswerPolls * t.answerPoll.count() + t.packetWrite.count()) + 300;
        QTest::newRow("XMODEM packets, adapter pulled") << "packets" << true << lostLine << lost;
        QTest::newRow("verification, chip pulled") << "verify" << false << "Error: fail to write command!"
                                                   << command + int(t.verifySettle.count() + t.verifyDrain.count());
        QTest::newRow("verification, adapter pulled") << "verify" << true << lostLine << lost;
        QTest::newRow("dump, chip pulled") << "dump" << false << "Dump Timeout!" << 2000 + 300;
        QTest::newRow("dump, adapter pulled") << "dump" << true << lostLine << lost;
        // The ready signal has no deadline of its own: only a dead port or Stop ends it.
        QTest::newRow("RS-485 ready signal, adapter pulled") << "ready" << true << lostLine << lost;
    }

    void pulledDuringAStep()
    {
        QFETCH(QString, step);
        QFETCH(bool, adapter);
        QFETCH(QString, redLine);
        QFETCH(int, limitMs);

        WorkerHarness h(step == "dump" ? 2 : step == "ready" ? 1 : 0);
        LinkTiming timing = WorkerHarness::fastTiming();
        timing.dumpChunk = std::chrono::milliseconds(2000);
        h.worker.setTiming(timing);
        h.useImage(pattern(10 * 1024));
        h.settings.VerifyUnitTime = 10;
        // A paced wire, so that the pull lands inside the step and not after it.
        h.setBaud(step == "packets" ? 115200 : 921600);
        h.chip.configure([&](ChipKnobs& k) {
            if (step == "start") {
                k.startInLoadxReply = false;
                k.startRequestIntervalMs = 100000;
            }
            // The console reads on as soon as the chip answers: a receiver slow to
            // close keeps the pull inside the verification, however busy this PC is.
            if (step == "verify")
                k.loadDoneDelayMs = 150;
        });
        if (step == "dump") {
            h.settings.SaveFile = dir.filePath("dump.bin");
            h.settings.DumpAddr = "18000000";
            h.settings.DumpSize = "0x3000";
        }
        if (step == "device")
            h.chip.unplug();
        const QString portName = h.settings.portName;
        if (redLine.contains("%1"))
            redLine = redLine.arg(portName);

        const std::function<bool()> reached = [&h, step] {
            if (step == "device" || step == "ready")
                return logHas(h, step == "device" ? "Waiting for plug in..." : "Waiting for ready signal...");
            if (step == "partition")
                return logHas(h, "flash 3!");
            if (step == "start")
                return hasEvent(h.chip, ChipEvent::TransferStart);
            if (step == "packets")
                return chipSawPacket(h.chip, 3);
            if (step == "verify")
                return logHas(h, "Verify...");
            return logHas(h, "Dumped 33%");
        };
        QElapsedTimer sincePull;
        std::atomic<int> linesBeforePull { -1 };
        h.meanwhile([&] {
            if (!WorkerHarness::waitFor(reached))
                return h.worker.stop();
            // The echo of "loadx" takes well under a millisecond on this wire:
            // from then on the worker listens for a start request that never comes.
            if (step == "start")
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            linesBeforePull = h.texts().size();
            sincePull.start();
            if (adapter)
                h.chip.pullAdapter();
            else
                h.chip.unplug();
            // A worker that hangs is stopped, so that the test reports instead of hanging.
            if (!WorkerHarness::waitFor([&h] { return !h.finished().isEmpty(); }, limitMs + 5000))
                h.worker.stop();
        });
        h.worker.start(true);
        const qint64 elapsed = sincePull.isValid() ? sincePull.elapsed() : -1;

        QVERIFY2(linesBeforePull >= 0, "the job never reached the step");
        QVERIFY2(!h.texts().contains("Stop ..."), "the job had to be stopped");
        QCOMPARE(redLinesFrom(h, linesBeforePull), QStringList({ redLine, "Download failed!" }));
        const QStringList lines = h.texts();
        const int red = lines.lastIndexOf(redLine);
        QCOMPARE(lines.mid(red, 3), QStringList({ redLine, "Download failed!", "Close port " + portName }));
        QVERIFY(lines.last().startsWith("Elapsed: "));
        QCOMPARE(h.finished(), QList<bool>({ false }));
        QVERIFY(!h.worker.isPortOpen());
        QVERIFY2(
            elapsed <= limitMs, qPrintable(QString("%1 ms after the pull, allowed %2 ms").arg(elapsed).arg(limitMs)));
        qInfo().noquote() << QString("%1: \"%2\" after %3 ms").arg(QTest::currentDataTag(), redLine).arg(elapsed);
    }

    // A dump cut short leaves only whole chunks in the file.
    void dumpFileKeepsTheChunksDoneBeforeThePull()
    {
        WorkerHarness h(2);
        h.setBaud(921600);
        h.chip.fillFlash(0, pattern(0x30000));
        h.settings.SaveFile = dir.filePath("cut.bin");
        h.settings.DumpAddr = "18000000";
        h.settings.DumpSize = "0x3000";
        h.meanwhile([&h] {
            if (WorkerHarness::waitFor([&h] { return logHas(h, "Dumped 33%"); }))
                h.chip.pullAdapter();
        });
        h.worker.start(true);
        QFile file(h.settings.SaveFile);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray saved = file.readAll();
        QVERIFY2(saved.size() % 16384 == 0 && saved.size() < 3 * 16384, qPrintable(QString::number(saved.size())));
        QCOMPARE(saved, pattern(0x30000).left(saved.size()));
    }
};

QTEST_GUILESS_MAIN(ChipPulledTest)
#include "tst_chippulled.moc"
