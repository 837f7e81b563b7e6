// Stop ends a job within half a second whatever step it is in, with the
// production waits: a chip that works for a minute, a receiver that never
// answers, a device that never comes. The job then ends as a stopped step
// does: its red line, the outcome, the port closed.
#include "WorkerHarness.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

namespace {

constexpr int boundMs = 500;
constexpr int minuteMs = 60000;

bool sawCommand(const VirtualChip& chip, const QByteArray& start)
{
    const QList<QByteArray> commands = chip.commands();
    return std::any_of(
        commands.cbegin(), commands.cend(), [&start](const QByteArray& line) { return line.startsWith(start); });
}

QStringList redLinesAfterStop(const WorkerHarness& h)
{
    QStringList red;
    bool stopped = false;
    for (const WorkerHarness::Line& line : h.allLines()) {
        stopped = stopped || line.text == "Stop ...";
        if (stopped && line.color == QColor(Qt::red))
            red.append(line.text);
    }
    return red;
}

} // namespace

class StopBoundTest : public QObject {
    Q_OBJECT

private slots:
    void stopEndsEveryStepAtOnce_data()
    {
        QTest::addColumn<QString>("step");
        QTest::addColumn<int>("workMode");
        QTest::addColumn<QString>("redLine");
        const QString cancel = QStringLiteral("Cancel");
        QTest::newRow("waiting for a chip") << "device" << 0 << "Stop to wait device!";
        QTest::newRow("RS-485 ready signal") << "ready" << 1 << cancel;
        QTest::newRow("erase at work") << "erase" << 0 << cancel;
        QTest::newRow("partition command at work") << "partition" << 0 << cancel;
        QTest::newRow("XMODEM start request") << "start" << 0 << cancel;
        QTest::newRow("packet unanswered") << "packet" << 0 << cancel;
        QTest::newRow("EOT unanswered") << "eot" << 0 << cancel;
        QTest::newRow("chip still writing after EOT") << "leftovers" << 0 << cancel;
        QTest::newRow("checksum at work") << "checksum" << 0 << cancel;
        QTest::newRow("partition recovery at work") << "recover" << 0 << cancel;
        QTest::newRow("dump chunk cut off") << "dump" << 2 << cancel;
    }

    void stopEndsEveryStepAtOnce()
    {
        QFETCH(QString, step);
        QFETCH(int, workMode);
        QFETCH(QString, redLine);
        QTemporaryDir dir;
        WorkerHarness h(workMode);
        h.worker.setTiming(LinkTiming());
        h.useImage(pattern(20 * 1024));
        h.settings.IsErase6620 = step == "erase";
        h.settings.EraseAddr6620 = "1000";
        h.settings.EraseSize6620 = "1000";
        h.settings.SaveFile = dir.filePath("dump.bin");
        h.settings.DumpAddr = "18000000";
        h.settings.DumpSize = "0x1000";
        if (step == "recover")
            h.settings.downloadAddr = "0x2000";

        h.chip.configure([&](ChipKnobs& k) {
            k.plugged = step != "device";
            k.startInLoadxReply = step != "start";
            k.startRequestIntervalMs = step == "start" ? minuteMs : k.startRequestIntervalMs;
            k.ignoreEot = step == "eot";
            k.loadDoneDelayMs = step == "leftovers" ? minuteMs : 0;
            k.checksumUsPerKiB = step == "checksum" ? minuteMs * 1000 : 0;
            k.commandDelayMs = step == "erase" || step == "partition" ? minuteMs : 0;
            k.mdCutAtCommand = step == "dump" ? 1 : 0;
            k.mdCutAfterWords = 5;
            k.mdRestDelayMs = -1;
        });
        // Changed on the worker's own thread, before the step sends anything.
        connect(
            &h.worker, &DownloadWorker::sngLog, &h.worker,
            [&](const QString& text) {
                if (step == "recover" && text == "Recover partiton...")
                    h.chip.configure([](ChipKnobs& k) { k.commandDelayMs = minuteMs; });
                if (step == "packet" && text.startsWith("[Send Packet: 10/"))
                    h.chip.configure([](ChipKnobs& k) { k.silent = true; });
            },
            Qt::DirectConnection);
        const std::function<bool()> reached = [&h, step] {
            const QStringList lines = h.texts();
            if (step == "device")
                return lines.contains("Waiting for plug in...");
            if (step == "ready")
                return lines.contains("Waiting for ready signal...");
            if (step == "erase")
                return sawCommand(h.chip, "flash 7");
            if (step == "partition")
                return sawCommand(h.chip, "flash 1");
            if (step == "start")
                return hasEvent(h.chip, ChipEvent::TransferStart);
            if (step == "packet")
                return h.chip.knobs().silent;
            if (step == "eot")
                return !lines.filter("[Send Packet: 20/20]").isEmpty();
            if (step == "leftovers")
                return hasEvent(h.chip, ChipEvent::TransferEnd);
            if (step == "checksum")
                return sawCommand(h.chip, "checksum");
            if (step == "recover")
                return sawCommand(h.chip, "flash 6 0 1 vyn6630m 0x1000");
            return lines.contains("Begin to dump...") && sawCommand(h.chip, "md ");
        };
        QElapsedTimer sinceStop;
        h.meanwhile([&] {
            const bool inStep = WorkerHarness::waitFor(reached, 20000);
            // Well into the wait the step makes there.
            std::this_thread::sleep_for(std::chrono::milliseconds(inStep ? 150 : 0));
            sinceStop.start();
            h.worker.stop();
        });
        h.worker.start(true);
        const qint64 stopToEnd = sinceStop.elapsed();

        QVERIFY2(!h.texts().contains("Download successed!"), "the job ended before the step was reached");
        QCOMPARE(redLinesAfterStop(h), QStringList({ redLine, "Download failed!" }));
        QVERIFY2(stopToEnd <= boundMs, qPrintable(QString("%1 ms from Stop to the end").arg(stopToEnd)));
        QCOMPARE(h.finished(), QList<bool>({ false }));
        QVERIFY(!h.worker.isPortOpen());
    }
};

QTEST_GUILESS_MAIN(StopBoundTest)
#include "tst_stopbound.moc"
