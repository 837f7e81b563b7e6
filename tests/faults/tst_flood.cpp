// Megabytes of junk in answer to one command: the worker must not keep them.
// Its own process is measured, so this test has a binary of its own.
#include "SoakMemory.h"
#include "WorkerHarness.h"

#include <QFile>
#include <QTemporaryDir>

namespace {

constexpr qint64 floodBytes = 16 * 1024 * 1024;

// Production waits for the reply: a reply that keeps coming is read on for 2.5 s.
LinkTiming floodTiming()
{
    LinkTiming t = WorkerHarness::fastTiming();
    t.commandReply = LinkTiming().commandReply;
    t.dumpChunk = std::chrono::milliseconds(3000);
    return t;
}

} // namespace

class FloodTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir;

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        // Everything a job allocates once is allocated before the peak is taken.
        WorkerHarness h;
        h.useImage(pattern(8192));
        h.worker.start(true);
        QVERIFY(h.texts().contains("Download successed!"));
    }

    void floodInAnswerToOneCommand_data()
    {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<int>("workMode");
        QTest::newRow("partition script") << QByteArray("flash 3") << 0;
        QTest::newRow("checksum") << QByteArray("checksum") << 0;
        // The dump's reply is replaced by junk with no line end: no word arrives.
        QTest::newRow("dump") << QByteArray("md 18000000") << 2;
    }

    void floodInAnswerToOneCommand()
    {
        QFETCH(QByteArray, command);
        QFETCH(int, workMode);
        WorkerHarness h(workMode);
        h.worker.setTiming(floodTiming());
        const QByteArray image = pattern(8192);
        h.useImage(image);
        h.settings.VerifyUnitTime = 10;
        h.settings.SaveFile = dir.filePath("dump.bin");
        h.settings.DumpAddr = "18000000";
        h.settings.DumpSize = "16";
        h.chip.configure([&](ChipKnobs& k) {
            k.floodOnCommand = command;
            k.floodBytes = floodBytes;
        });

        const qint64 before = SoakMemory::statusKiB("VmHWM");
        h.worker.start(true);
        const qint64 growth = SoakMemory::statusKiB("VmHWM") - before;
        qInfo().noquote() << QString("%1: %2 KiB of junk sent, peak memory grew by %3 KiB")
                                 .arg(QTest::currentDataTag())
                                 .arg(h.chip.bytesSent() >> 10)
                                 .arg(growth);

        QVERIFY2(h.chip.bytesSent() > 1024 * 1024, "the flood did not reach the worker");
        // A flood that outlasts the resends fails the command; a good flash is never called bad nor the reverse.
        const QStringList lines = h.texts();
        if (lines.contains("Download successed!")) {
            QCOMPARE(h.chip.flash(0x1000, image.size()), image);
        } else {
            const QString error = workMode == 2 ? "Dump Timeout!" : "Error: fail to write command!";
            QCOMPARE(lines.mid(lines.indexOf(error), 2), QStringList({ error, "Download failed!" }));
        }
        if (SoakMemory::residentSizeMeansAnything)
            QVERIFY2(growth < 4096, qPrintable(QString("the peak grew by %1 KiB").arg(growth)));
    }

    // A flood that outlasts every resend: the command fails and its reply is not the whole flood.
    void replyOfAnEndlessFloodIsBounded()
    {
        WorkerHarness h;
        LinkTiming t = floodTiming();
        t.commandResends = 2;
        h.worker.setTiming(t);
        h.chip.configure([](ChipKnobs& k) {
            k.floodOnCommand = "flash 1";
            k.floodBytes = qint64(1) << 40;
        });
        QVERIFY(h.worker.openPort());
        QVERIFY(!h.worker.sendCommand("flash 1", 10));
        QCOMPARE(h.texts().last(), QString("Error: fail to write command!"));
        QVERIFY2(h.chip.bytesSent() > 256 * 1024, qPrintable(QString::number(h.chip.bytesSent())));
        QVERIFY2(h.worker.reply().size() <= 64 * 1024, qPrintable(QString::number(h.worker.reply().size())));
    }
};

QTEST_GUILESS_MAIN(FloodTest)
#include "tst_flood.moc"
