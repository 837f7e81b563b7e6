// The job runner: device attach, outcome lines, stop checks, the RS-485 work
// mode and the automatic loop, against the virtual chip.
#include "WorkerHarness.h"

#include <QSignalSpy>
#include <QThread>

namespace {

QByteArray smallImage()
{
    QByteArray bytes(1500, Qt::Uninitialized);
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = char(i * 7 + 3);
    return bytes;
}

} // namespace

class JobRunnerTest : public QObject {
    Q_OBJECT

private slots:
    void chipAlreadyAtThePrompt()
    {
        WorkerHarness h;
        QVERIFY(h.worker.openPort());
        QVERIFY(h.worker.waitDevice());
        QCOMPARE(h.texts(),
            QStringList({ "Open port...", "Waiting for plug in...", "Find a device,enter boot successed!" }));
        QVERIFY(h.chip.knockCount() >= 1);
    }

    void noChipFailsTheJob_data()
    {
        QTest::addColumn<bool>("autoTest");
        QTest::addColumn<QString>("outcome");
        QTest::newRow("download") << false << "Download failed!";
        QTest::newRow("test mode") << true << "Test failed!";
    }

    void noChipFailsTheJob()
    {
        QFETCH(bool, autoTest);
        QFETCH(QString, outcome);
        WorkerHarness h;
        h.chip.unplug();
        h.settings.AutoTest = autoTest;
        h.useImage(smallImage());
        h.worker.start(true);
        const QStringList lines = h.texts();
        QCOMPARE(lines.mid(0, 7),
            QStringList({ "Open port...", "==============================", "Running...", "Waiting for plug in...",
                "Error: Not find a device!", outcome, "Close port " + h.chip.portName() }));
        QCOMPARE(lines.size(), 8);
        QVERIFY(lines.last().startsWith("Elapsed: "));
        QCOMPARE(h.colorOf("=============================="), QColor(Qt::white));
        QCOMPARE(h.colorOf("Running..."), QColor(Qt::white));
        QCOMPARE(h.colorOf("Error: Not find a device!"), QColor(Qt::red));
        QCOMPARE(h.colorOf(outcome), QColor(Qt::red));
        QCOMPARE(h.colorOf("Close port " + h.chip.portName()), QColor(Qt::white));
        QCOMPARE(h.finished(), QList<bool>({ false }));
        QVERIFY(!h.worker.isPortOpen());
    }

    // One report per single job, from its start (before the port is opened)
    // to its end, naming the step that failed and its own red line. A Stop
    // that cuts the verification wait short is named as such, not blamed on the chip.
    void singleJobReportsItsAttempt_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<AttemptReport::Result>("result");
        QTest::addColumn<AttemptReport::Step>("step");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("outcome");
        using R = AttemptReport::Result;
        using S = AttemptReport::Step;
        QTest::newRow("pass") << "" << R::Pass << S::None << "" << "Download successed!";
        QTest::newRow("no port") << "port" << R::Fail << S::Open
                                 << WorkerHarness::openRefusal("/nonexistent/ttyVYN") << "";
        QTest::newRow("no chip") << "unplugged" << R::NoDevice << S::None << "Error: Not find a device!"
                                 << "Download failed!";
        QTest::newRow("transfer") << "cancel" << R::Fail << S::Transfer << "Error: send process break!"
                                  << "Download failed!";
        QTest::newRow("stop during the verification wait")
            << "stop" << R::Canceled << S::Verify << "Cancel" << "Download failed!";
    }

    void singleJobReportsItsAttempt()
    {
        QFETCH(QString, fault);
        QFETCH(AttemptReport::Result, result);
        QFETCH(AttemptReport::Step, step);
        QFETCH(QString, reason);
        QFETCH(QString, outcome);
        WorkerHarness h;
        h.useImage(pattern(4 * 1024));
        int linesAtStart = -1;
        QDateTime startedAt;
        connect(&h.worker, &DownloadWorker::sngAttemptStarted, this, [&](const QDateTime& at) {
            linesAtStart = h.texts().size();
            startedAt = at;
        });
        if (fault == "port")
            h.settings.portName = "/nonexistent/ttyVYN";
        if (fault == "unplugged")
            h.chip.unplug();
        if (fault == "cancel")
            h.chip.configure([](ChipKnobs& k) { k.cancelAtPacket = 2; });
        if (fault == "stop") {
            // A chip still busy with the checksum, and a verification wait far longer than the test.
            h.chip.configure([](ChipKnobs& k) { k.checksumUsPerKiB = 60000000; });
            h.settings.VerifyUnitTime = 60000;
            h.meanwhile([&h] {
                if (WorkerHarness::waitFor([&h] { return h.chip.commands().join().contains("checksum"); }))
                    h.worker.stop();
            });
        }
        h.worker.start(true);

        QCOMPARE(linesAtStart, 0);
        const QList<AttemptReport> attempts = h.attempts();
        QCOMPARE(attempts.size(), 1);
        const AttemptReport& attempt = attempts.first();
        QCOMPARE(attempt.result, result);
        QCOMPARE(attempt.failedStep, step);
        QCOMPARE(attempt.reason, reason);
        QCOMPARE(attempt.startedAt, startedAt);
        QVERIFY(attempt.startedAt.timeSpec() == Qt::UTC && attempt.startedAt <= attempt.finishedAt);
        QCOMPARE(attempt.transferMs > 0, fault == "" || fault == "cancel" || fault == "stop");
        // The reason is the job's own red line, followed only by the outcome line.
        QStringList red;
        for (const WorkerHarness::Line& line : h.allLines())
            if (line.color == QColor(Qt::red))
                red << line.text;
        QStringList expected;
        if (!reason.isEmpty())
            expected << reason;
        if (result != AttemptReport::Result::Pass && !outcome.isEmpty())
            expected << outcome;
        QCOMPARE(red, expected);
        QCOMPARE(h.count(outcome), outcome.isEmpty() ? 0 : 1);
    }

    void rs485WithoutPreparationGoesStraightToTheTransfer()
    {
        WorkerHarness h(1);
        const QByteArray image = smallImage();
        h.useImage(image);
        h.settings.downloadAddr = "0x2000"; // not used on this line: the chip loads into its partition
        h.settings.ProgramWaitTime485 = -5; // a hand-edited value must not block the job
        h.worker.start(false);
        const QStringList lines = h.texts();
        QCOMPARE(lines.mid(0, 5),
            QStringList(
                { "Open port...", "==============================", "Running...", "Send XModem...", "loadx!" }));
        QVERIFY(lines.contains(QString("checksum 1 FFFFFFFF %1!").arg(image.size())));
        QVERIFY(!lines.contains("Recover partiton..."));
        QVERIFY(lines.contains("Download successed!"));
        QCOMPARE(h.settings.ProgramWaitTime485, 1);
        QCOMPARE(h.chip.flash(0x1000, image.size()), image);
    }

    void rs485PreparationWaitsForTheReadySignal()
    {
        WorkerHarness h(1);
        const QByteArray image = smallImage();
        h.useImage(image);
        h.settings.IsErase6620 = true;
        h.settings.EraseAddr6620 = "1000";
        h.settings.EraseSize6620 = "1000";
        h.meanwhile([&h] {
            if (WorkerHarness::waitFor([&h] { return h.texts().contains("Waiting for ready signal..."); }))
                h.chip.announceReady();
        });
        h.worker.start(true);
        const QStringList lines = h.texts();
        const int prepare = lines.indexOf("Prepare partiton...");
        QCOMPARE(lines.mid(prepare, 7),
            QStringList(
                { "Prepare partiton...", "Waiting for ready signal...", "Ready to download!", "Waiting for plug in...",
                    "Find a device,enter boot successed!", "Begin to erase flash...", "Successed to erase." }));
        QCOMPARE(h.colorOf("Ready to download!"), QColor(Qt::green));
        QCOMPARE(h.chip.commands().first(), QByteArray("erase 18001000 1000"));
        for (const QByteArray& command : h.chip.commands())
            QVERIFY2(!command.startsWith("flash") && !command.startsWith("mw") && !command.startsWith("md"),
                command.constData());
        QVERIFY(lines.contains("Download successed!"));
    }

    // Operators swap chips far faster than the old two seconds of silence: a
    // chip plugged 0.3 s or 1 s after the last one was pulled is a new chip,
    // while a finished chip left in the socket is only checked, silently.
    void swappedChipsAreEachDownloadedOnce()
    {
        WorkerHarness h;
        // The station's own presence timing, which the swaps must beat.
        LinkTiming timing = WorkerHarness::fastTiming();
        timing.presenceInterval = LinkTiming().presenceInterval;
        timing.chipLeftSilence = LinkTiming().chipLeftSilence;
        h.worker.setTiming(timing);
        const QByteArray image = smallImage();
        h.useImage(image);
        QSignalSpy chips(&h.worker, &DownloadWorker::sngChipResult);
        QSignalSpy waiting(&h.worker, &DownloadWorker::sngWaitingForChip);
        h.settings.AutoStart = true;
        int linesWhileStaying = -1;
        QList<bool> flashedRight;
        h.meanwhile([&] {
            if (!WorkerHarness::waitFor([&h] { return h.count("The downloading is successed!") == 1; }))
                return h.worker.stop();
            const int linesBefore = h.texts().size();
            std::this_thread::sleep_for(std::chrono::milliseconds(800));
            linesWhileStaying = h.texts().size() - linesBefore;
            for (const int swapMs : { 300, 1000 }) {
                const int done = h.count("The downloading is successed!");
                h.chip.unplug();
                h.chip.fillFlash(0x1000, QByteArray(4096, char(0xFF))); // the next chip is blank
                std::this_thread::sleep_for(std::chrono::milliseconds(swapMs));
                h.chip.plug();
                if (!WorkerHarness::waitFor([&] { return h.count("The downloading is successed!") == done + 1; }))
                    return h.worker.stop();
                flashedRight << (h.chip.flash(0x1000, image.size()) == image);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            h.worker.stop();
        });
        h.worker.start(true);

        const QStringList lines = h.texts();
        QCOMPARE(linesWhileStaying, 0);
        QCOMPARE(flashedRight, QList<bool>({ true, true }));
        QCOMPARE(h.count("loadx!"), 3);
        // The swapped-out chip is reported gone with the lines of a pulled chip.
        const int firstDone = lines.indexOf("The downloading is successed!");
        QCOMPARE(lines.mid(firstDone, 4),
            QStringList({ "The downloading is successed!", "Error: Not find a device!",
                "Enter boot failed,maybe no device!", "Waiting for plug in..." }));
        QCOMPARE(chips.size(), 3);
        QVERIFY(chips.at(0).at(0).toBool() && chips.at(1).at(0).toBool() && chips.at(2).at(0).toBool());
        // Awaited at the start and after each pull, not again after each empty wait.
        QCOMPARE(waiting.size(), 3);
        const QList<AttemptReport> attempts = h.attempts();
        QCOMPARE(attempts.size(), 3);
        for (const AttemptReport& attempt : attempts) {
            QCOMPARE(attempt.result, AttemptReport::Result::Pass);
            QVERIFY(attempt.reason.isEmpty());
            QVERIFY(attempt.transferMs > 0);
            QVERIFY(attempt.startedAt <= attempt.finishedAt);
        }
        // A stopped automatic run ends once, as a failure, with no elapsed line.
        QCOMPARE(h.finished(), QList<bool>({ false }));
        QVERIFY(!lines.last().startsWith("Elapsed"));
        QVERIFY(lines.contains("The downloading is canceled!"));
        QCOMPARE(h.colorOf("The downloading is canceled!"), QColor(Qt::red));
    }

    // Unpaced, a finished chip left in the socket is knocked at a thousand
    // times a second; paced, a few times per interval, and a pull is still noticed.
    void presenceChecksArePacedWhileTheChipStays()
    {
        WorkerHarness h;
        h.useImage(smallImage());
        LinkTiming timing = WorkerHarness::fastTiming();
        timing.presenceInterval = LinkTiming::ms(100);
        h.worker.setTiming(timing);
        h.settings.AutoStart = true;
        int knocksWhileStaying = -1;
        int linesWhileStaying = -1;
        qint64 pullNoticedMs = -1;
        h.meanwhile([&] {
            if (!WorkerHarness::waitFor([&h] { return h.count("The downloading is successed!") == 1; }))
                return h.worker.stop();
            std::this_thread::sleep_for(std::chrono::milliseconds(100)); // past the pause after the chip
            const int knocksBefore = h.chip.knockCount();
            const int linesBefore = h.texts().size();
            std::this_thread::sleep_for(std::chrono::milliseconds(1000));
            knocksWhileStaying = h.chip.knockCount() - knocksBefore;
            linesWhileStaying = h.texts().size() - linesBefore;
            QElapsedTimer sincePull;
            sincePull.start();
            h.chip.unplug();
            if (WorkerHarness::waitFor([&h] { return h.count("Enter boot failed,maybe no device!") == 1; }))
                pullNoticedMs = sincePull.elapsed();
            h.worker.stop();
        });
        h.worker.start(true);

        QCOMPARE(linesWhileStaying, 0);
        // One check is three carriage returns; ten intervals fit in the second.
        QVERIFY2(
            knocksWhileStaying >= 3 && knocksWhileStaying <= 3 * 12, qPrintable(QString::number(knocksWhileStaying)));
        QVERIFY2(pullNoticedMs >= 0, "the pull was not noticed");
        const qint64 noticeLimit = timing.presenceInterval.count() + timing.chipLeftSilence.count() + 500;
        QVERIFY2(pullNoticedMs <= noticeLimit, qPrintable(QString::number(pullNoticedMs)));
    }

    void automaticModeRetriesAFailedChip()
    {
        WorkerHarness h;
        h.useImage(smallImage());
        h.chip.configure([](ChipKnobs& k) { k.wrongChecksum = true; });
        QSignalSpy chips(&h.worker, &DownloadWorker::sngChipResult);
        h.settings.AutoStart = true;
        h.meanwhile([&h] {
            WorkerHarness::waitFor([&h] { return h.count("The downloading is failed!") == 2; });
            h.worker.stop();
        });
        h.worker.start(true);
        QVERIFY(h.count("The downloading is failed!") >= 2);
        QCOMPARE(h.colorOf("The downloading is failed!"), QColor(Qt::red));
        QVERIFY(chips.size() >= 2);
        QCOMPARE(chips.at(0).at(0).toBool(), false);
        QCOMPARE(h.finished(), QList<bool>({ false }));
    }

    // A station with a retry limit: a chip that keeps failing is downloaded
    // once more, counted once, then left alone until it is pulled; the next
    // chip is downloaded as usual. Each attempt is reported with its step and
    // red line. A chip whose transfer failed is still busy receiving, silent
    // until its receiver gives up: it is not taken for a chip that left, and
    // what it says afterwards not for a new chip.
    void aFailingChipIsRetriedOnceThenLeftUntilPulled_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::newRow("checksum differs") << "checksum";
        QTest::newRow("a packet answered with junk") << "packet";
    }

    void aFailingChipIsRetriedOnceThenLeftUntilPulled()
    {
        QFETCH(QString, fault);
        WorkerHarness h;
        const QByteArray image = pattern(3000, 4);
        h.useImage(image);
        const auto faulty = [fault](ChipKnobs& k) {
            k.wrongChecksum = fault == "checksum";
            k.strangeAnswerAtPacket = fault == "packet" ? 2 : 0;
            k.receiverTimeoutMs = 300;
        };
        h.chip.configure(faulty);
        QSignalSpy chips(&h.worker, &DownloadWorker::sngChipResult);
        QSignalSpy waiting(&h.worker, &DownloadWorker::sngWaitingForChip);
        h.settings.AutoStart = true;
        h.settings.failedChipRetries = 1;
        const QString givenUp = "The chip failed 2 times: remove it!";
        const QString left = "Enter boot failed,maybe no device!";
        int transfersWhileLeft = -1;
        int leftWhileThere = -1;
        h.meanwhile([&] {
            if (!WorkerHarness::waitFor([&] { return h.count(givenUp) == 1; }))
                return h.worker.stop();
            // Longer than the chip's receiver takes to give up by itself.
            std::this_thread::sleep_for(std::chrono::milliseconds(800));
            transfersWhileLeft = h.count("loadx!");
            leftWhileThere = h.count(left);
            h.chip.unplug();
            if (!WorkerHarness::waitFor([&] { return h.count(left) == leftWhileThere + 1; }))
                return h.worker.stop();
            h.chip.configure([](ChipKnobs& k) {
                k.wrongChecksum = false;
                k.strangeAnswerAtPacket = 0;
            });
            h.chip.fillFlash(0x1000, QByteArray(4096, char(0xFF))); // the next chip is blank
            h.chip.plug();
            WorkerHarness::waitFor([&] { return h.count("The downloading is successed!") == 1; });
            h.worker.stop();
        });
        h.worker.start(true);

        QCOMPARE(transfersWhileLeft, 2);
        QCOMPARE(leftWhileThere, 0);
        QCOMPARE(h.count("loadx!"), 3);
        // Each failed attempt keeps the lines of a failed download.
        QCOMPARE(h.count("The downloading is failed!"), 2);
        QCOMPARE(h.colorOf(givenUp), QColor(Qt::red));
        QList<bool> results;
        for (const QList<QVariant>& signal : chips)
            results << signal.at(0).toBool();
        QCOMPARE(results, QList<bool>({ false, true }));
        QCOMPARE(waiting.size(), 2); // at the start, and once the failed chip was pulled
        const QString reason = fault == "checksum"
            ? QString("Error : verify failed! The correct checksum is: 0x%1").arg(h.settings.imageCrc, 0, 16)
            : QString("Error: recieve data error,?!");
        const QList<AttemptReport> attempts = h.attempts();
        QCOMPARE(attempts.size(), 3);
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(attempts.at(i).result, AttemptReport::Result::Fail);
            QCOMPARE(attempts.at(i).failedStep,
                fault == "checksum" ? AttemptReport::Step::Verify : AttemptReport::Step::Transfer);
            QCOMPARE(attempts.at(i).reason, reason);
            QCOMPARE(attempts.at(i).chipAttempt, i + 1);
        }
        QCOMPARE(attempts.at(2).result, AttemptReport::Result::Pass);
        QCOMPARE(attempts.at(2).chipAttempt, 1);
        QCOMPARE(h.chip.flash(0x1000, image.size()), image);
    }

    void automaticModeWithoutAChip()
    {
        WorkerHarness h;
        h.chip.unplug();
        h.useImage(smallImage());
        h.settings.AutoStart = true;
        h.meanwhile([&h] {
            WorkerHarness::waitFor([&h] { return h.count("Enter boot failed,maybe no device!") == 2; });
            h.worker.stop();
        });
        h.worker.start(true);
        const QStringList lines = h.texts();
        QCOMPARE(lines.mid(1, 6),
            QStringList({ "Waiting for plug in...", "Error: Not find a device!", "Enter boot failed,maybe no device!",
                "Waiting for plug in...", "Error: Not find a device!", "Enter boot failed,maybe no device!" }));
        QVERIFY(!lines.contains("=============================="));
    }

    void startQueuedDuringAJobRunsAfterIt()
    {
        VirtualChip chip;
        QVERIFY(chip.start());
        chip.unplug();
        WorkerSettings settings(0);
        settings.portName = chip.portName();
        QThread thread;
        auto* worker = new DownloadWorker;
        worker->settings = &settings;
        worker->setTiming(WorkerHarness::fastTiming());
        worker->moveToThread(&thread);
        connect(&thread, &QThread::finished, worker, &QObject::deleteLater);
        QStringList lines;
        connect(worker, &DownloadWorker::sngLog, this, [&lines](const QString& text) { lines << text; });
        QSignalSpy finished(worker, &DownloadWorker::sngFinishAll);
        thread.start();

        QMetaObject::invokeMethod(worker, "start", Qt::QueuedConnection, Q_ARG(bool, true));
        QTRY_VERIFY_WITH_TIMEOUT(lines.contains("Waiting for plug in..."), 5000);
        QMetaObject::invokeMethod(worker, "start", Qt::QueuedConnection, Q_ARG(bool, true));
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 2, 10000);

        thread.quit();
        thread.wait();
        QCOMPARE(lines.count("Open port..."), 2);
        const int firstEnd = int(std::find_if(lines.cbegin(), lines.cend(), [](const QString& line) {
            return line.startsWith("Elapsed: ");
        }) - lines.cbegin());
        QVERIFY2(firstEnd > 0, qPrintable(lines.join(" | ")));
        QCOMPARE(lines.indexOf("Open port...", 1), firstEnd + 1);
    }
};

QTEST_GUILESS_MAIN(JobRunnerTest)
#include "tst_jobrunner.moc"
