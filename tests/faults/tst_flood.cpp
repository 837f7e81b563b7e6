// Megabytes of junk in answer to one command: the worker must not keep them.
// Its own process is measured, so this test has a binary of its own.
#include "WorkerHarness.h"

#include <QFile>
#include <QTemporaryDir>

namespace {

constexpr qint64 floodBytes = 16 * 1024 * 1024;

QByteArray pattern(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = char(i * 31 + 1);
    return bytes;
}

// The peak resident memory of this process so far, in KiB.
qint64 peakMemoryKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

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
        QTest::addColumn<QString>("outcome");
        QTest::newRow("partition script") << QByteArray("flash 3") << 0 << "Download successed!";
        QTest::newRow("checksum") << QByteArray("checksum") << 0 << "Download successed!";
        // The dump's reply is replaced by junk with no line end: no word arrives.
        QTest::newRow("dump") << QByteArray("md 18000000") << 2 << "Download failed!";
    }

    void floodInAnswerToOneCommand()
    {
        QFETCH(QByteArray, command);
        QFETCH(int, workMode);
        QFETCH(QString, outcome);
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

        const qint64 before = peakMemoryKiB();
        h.worker.start(true);
        const qint64 growth = peakMemoryKiB() - before;

        QVERIFY2(h.chip.bytesSent() > 4 * 1024 * 1024, "the flood did not reach the worker");
        QVERIFY(h.texts().contains(outcome));
        if (workMode == 0)
            QCOMPARE(h.chip.flash(0x1000, image.size()), image);
        else
            QVERIFY(h.texts().contains("Dump Timeout!"));
        QVERIFY2(growth < 4096, qPrintable(QString("the peak grew by %1 KiB").arg(growth)));
        qInfo().noquote() << QString("%1: %2 MiB of junk, peak memory grew by %3 KiB")
                                 .arg(QTest::currentDataTag())
                                 .arg(h.chip.bytesSent() >> 20)
                                 .arg(growth);
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
        QVERIFY2(h.chip.bytesSent() > 1024 * 1024, qPrintable(QString::number(h.chip.bytesSent())));
        QVERIFY2(h.worker.reply().size() <= 64 * 1024, qPrintable(QString::number(h.worker.reply().size())));
    }
};

QTEST_GUILESS_MAIN(FloodTest)
#include "tst_flood.moc"
