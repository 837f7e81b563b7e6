// A noisy line: junk in front of the console's replies, answers of the XMODEM
// receiver that mean nothing, and a receiver that never stops asking again.
// The job either succeeds with the right flash or fails with a red line.
#include "WorkerHarness.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

class LineFaultsTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir;

private slots:
    void initTestCase() { QVERIFY(dir.isValid()); }

    void noiseInFrontOfEveryReply_data()
    {
        QTest::addColumn<int>("noiseBytes");
        QTest::addColumn<quint32>("seed");
        QTest::addColumn<QString>("address");
        QTest::newRow("8 bytes") << 8 << 1u << "0x1000";
        QTest::newRow("64 bytes") << 64 << 2u << "0x1000";
        QTest::newRow("512 bytes, with partition recovery") << 512 << 3u << "0x20000";
        QTest::newRow("64 bytes, other junk") << 64 << 4u << "0x1000";
    }

    void noiseInFrontOfEveryReply()
    {
        QFETCH(int, noiseBytes);
        QFETCH(quint32, seed);
        QFETCH(QString, address);
        WorkerHarness h;
        const QByteArray image = pattern(12 * 1024 + 77, int(seed));
        h.useImage(image);
        h.settings.downloadAddr = address;
        h.settings.VerifyUnitTime = 10;
        h.chip.configure([&](ChipKnobs& k) {
            k.noiseBytes = noiseBytes;
            k.noiseSeed = seed;
        });
        h.worker.start(true);
        QVERIFY(h.texts().contains("Download successed!"));
        QCOMPARE(h.chip.flash(address.toInt(nullptr, 0), image.size()), image);
        QCOMPARE(h.finished(), QList<bool>({ true }));
    }

    // The dump takes every line as words: junk there must not end up in the file unnoticed.
    void noiseDuringADump()
    {
        WorkerHarness h(2);
        const QByteArray flash = pattern(3 * 16384, 9);
        h.chip.fillFlash(0, flash);
        h.chip.configure([](ChipKnobs& k) {
            k.noiseBytes = 64;
            k.noiseSeed = 5;
        });
        h.settings.SaveFile = dir.filePath("noisy.bin");
        h.settings.DumpAddr = "18000000";
        h.settings.DumpSize = "0x3000";
        h.worker.start(true);
        QFile file(h.settings.SaveFile);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray saved = file.readAll();
        const bool passed = h.texts().contains("Download successed!");
        qInfo() << "dump through noise:" << (passed ? "whole" : "failed") << saved.size() << "bytes saved";
        if (passed)
            QCOMPARE(saved, flash);
        else
            QVERIFY(h.texts().contains("Download failed!"));
    }

    void receiverAnswersNothingKnown_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::newRow("question mark") << QByteArray("?");
        QTest::newRow("NUL byte") << QByteArray(1, '\0');
        QTest::newRow("lower-case c") << QByteArray("c");
        QTest::newRow("0xFF") << QByteArray(1, char(0xFF));
        QTest::newRow("junk, then ACK") << QByteArray("\x7f\x06");
    }

    void receiverAnswersNothingKnown()
    {
        QFETCH(QByteArray, answer);
        WorkerHarness h;
        h.useImage(pattern(5 * 1024));
        h.chip.configure([&](ChipKnobs& k) {
            k.strangeAnswerAtPacket = 3;
            k.strangeAnswer = answer;
        });
        QElapsedTimer clock;
        clock.start();
        h.worker.start(true);
        const QString line = "Error: recieve data error," + QString::fromLatin1(answer) + "!";
        const QStringList lines = h.texts();
        QCOMPARE(lines.mid(lines.indexOf(line), 3),
            QStringList({ line, "Download failed!", "Close port " + h.chip.portName() }));
        QCOMPARE(h.colorOf(line), QColor(Qt::red));
        QVERIFY(!lines.contains("Verify..."));
        QCOMPARE(h.finished(), QList<bool>({ false }));
        QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
    }

    // A receiver that NAKs every packet is only ended by Stop, and promptly.
    void nakStormEndedByStop()
    {
        WorkerHarness h;
        h.useImage(pattern(4 * 1024));
        h.chip.configure([](ChipKnobs& k) { k.nakForever = true; });
        QElapsedTimer sinceStop;
        h.meanwhile([&h, &sinceStop] {
            if (!WorkerHarness::waitFor([&h] { return hasEvent(h.chip, ChipEvent::TransferStart); }))
                return h.worker.stop();
            // A few hundred NAKs (one byte each) have gone back before Stop is pressed.
            const qint64 before = h.chip.bytesSent();
            WorkerHarness::waitFor([&h, before] { return h.chip.bytesSent() > before + 300; });
            sinceStop.start();
            h.worker.stop();
        });
        h.worker.start(true);
        const qint64 afterStop = sinceStop.elapsed();
        const QStringList lines = h.texts();
        const int stop = lines.indexOf("Stop ...");
        QVERIFY(stop > 0);
        QCOMPARE(lines.mid(stop, 4),
            QStringList({ "Stop ...", "Cancel", "Download failed!", "Close port " + h.chip.portName() }));
        QVERIFY(!lines.contains("[Send Packet: 1/4]"));
        QVERIFY2(afterStop < 500, qPrintable(QString::number(afterStop)));
        QCOMPARE(h.finished(), QList<bool>({ false }));
    }
};

QTEST_GUILESS_MAIN(LineFaultsTest)
#include "tst_linefaults.moc"
