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
};

QTEST_GUILESS_MAIN(ReplyWaitsTest)
#include "tst_replywaits.moc"
