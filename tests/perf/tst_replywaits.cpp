// A reply is read as long as the console works on it, and not a moment longer.
// A reply that is already complete costs no read-on wait: the worker reads on
// only while a reply is still arriving. The gap it would wait is made two
// seconds here, so that a needless wait cannot hide in the line's own time.
#include "WorkerHarness.h"

#include <QElapsedTimer>

class ReplyWaitsTest : public QObject {
    Q_OBJECT

private slots:
    void completeReplyEndsTheRead_data()
    {
        QTest::addColumn<QString>("step");
        QTest::newRow("a command answered by its echo and the prompt") << "command";
        QTest::newRow("loadx answered by its echo and the receiver's start request") << "loadx";
        QTest::newRow("a whole one-packet transfer") << "transfer";
    }

    void completeReplyEndsTheRead()
    {
        QFETCH(QString, step);
        WorkerHarness h;
        LinkTiming timing = WorkerHarness::fastTiming();
        timing.replyGap = std::chrono::milliseconds(2000);
        timing.commandReply = std::chrono::milliseconds(2500);
        h.worker.setTiming(timing);
        h.useImage(QByteArray(1024, 'v'));
        QVERIFY(h.worker.openPort());

        QElapsedTimer clock;
        clock.start();
        bool done = false;
        if (step == "command")
            done = h.worker.sendCommand("flash 1", 10);
        else if (step == "loadx")
            done = h.worker.sendCommand("loadx", 10);
        else
            done = h.worker.sendXmodem();
        const qint64 elapsed = clock.elapsed();

        QVERIFY(done);
        QVERIFY2(elapsed < 1000, qPrintable(QStringLiteral("took %1 ms").arg(elapsed)));
        if (step == "transfer")
            QCOMPARE(h.chip.events().last().kind, ChipEvent::TransferEnd);
    }

    // A chip that works on every command almost as long as the worker allows
    // (the erase, each partition command, "loadx", the text after EOT, the
    // checksum) still gives the job of a quick chip, line for line. A reader
    // that stopped at the echo would send the next command into a console
    // still at work, which hears nothing, or judge a reply without its text.
    void lateAnswersAreWaitedFor_data()
    {
        QTest::addColumn<bool>("fixedWaits");
        QTest::addColumn<int>("baud");
        QTest::addColumn<int>("latencyMs");
        QTest::newRow("instant wire") << false << 0 << 0;
        QTest::newRow("instant wire, fixed waits") << true << 0 << 0;
        QTest::newRow("115200 baud, 16 ms adapter") << false << 115200 << 16;
    }

    void lateAnswersAreWaitedFor()
    {
        QFETCH(bool, fixedWaits);
        QFETCH(int, baud);
        QFETCH(int, latencyMs);
        using ms = std::chrono::milliseconds;
        LinkTiming timing = WorkerHarness::fastTiming();
        timing.commandReply = ms(400);
        timing.eraseReply = ms(400);
        timing.verifySettle = ms(100);
        timing.verifyDrain = ms(300);
        const int workMs = 300;

        QStringList quickJob;
        for (const bool late : { false, true }) {
            WorkerHarness h;
            h.worker.setTiming(timing);
            h.setBaud(baud, latencyMs);
            h.useImage(pattern(5000, 3));
            h.settings.FixedWaits = fixedWaits;
            h.settings.VerifyUnitTime = 10;
            h.settings.downloadAddr = "0x2000"; // the partition is recovered afterwards
            h.settings.IsErase6620 = true;
            h.settings.EraseAddr6620 = "2000";
            h.settings.EraseSize6620 = "2000";
            if (late)
                h.chip.configure([=](ChipKnobs& k) {
                    k.commandDelayMs = workMs;
                    k.loadDoneDelayMs = workMs;
                });
            h.worker.start(true);

            QStringList lines = h.texts();
            lines.removeLast(); // "Elapsed: ..."
            QCOMPARE(h.finished(), QList<bool>({ true }));
            QCOMPARE(h.chip.flash(0x2000, 5000), pattern(5000, 3));
            QCOMPARE(h.attempts().size(), 1);
            QCOMPARE(h.attempts().first().result, AttemptReport::Result::Pass);
            if (late)
                QCOMPARE(lines, quickJob);
            quickJob = lines;
        }
    }
};

QTEST_GUILESS_MAIN(ReplyWaitsTest)
#include "tst_replywaits.moc"
