// Inputs the fuzz targets under fuzz/ broke, kept as regression tests.
#include "BootConsole.h"
#include "CheckEraseRange.h"
#include "ConsoleReply.h"
#include "WorkerHarness.h"

#include <QElapsedTimer>

class FuzzFindingsTest : public QObject {
    Q_OBJECT

private slots:
    // fuzz_eraserange: a negative size passed as a multiple of 4 KiB, and the
    // chip, which reads the size as unsigned, would have erased far past the flash.
    void negativeEraseSizeIsRefused_data()
    {
        QTest::addColumn<int>("flashBytes");
        QTest::addColumn<int>("address");
        QTest::addColumn<int>("size");
        QTest::addColumn<QString>("error");
        QTest::newRow("minus 4k") << 0x100000 << 0x1000 << -4096 << "Erase size can't greater than 0xff000!";
        QTest::newRow("lowest int") << 0x100000 << 0x1000 << std::numeric_limits<int>::min()
                                    << "Erase size can't greater than 0xff000!";
        QTest::newRow("at the end, minus 4k") << 0x400000 << 0x400000 << -4096 << "Erase size can't greater than 0x0!";
        QTest::newRow("minus one") << 0x100000 << 0x2000 << -1 << "Erase size can't greater than 0xfe000!";
    }

    void negativeEraseSizeIsRefused()
    {
        QFETCH(int, flashBytes);
        QFETCH(int, address);
        QFETCH(int, size);
        QFETCH(QString, error);
        QString reason;
        QVERIFY(!checkEraseRange(flashBytes, address, size, reason));
        QCOMPARE(reason, error);
    }

    // fuzz_consolereply: eight characters after "CRC32 = 0x" that are not
    // hexadecimal read as 0, which matched the CRC of an empty image.
    void checksumDigitsMustAllBeHexadecimal_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("readable");
        QTest::newRow("blank and question mark") << QByteArray("CRC32 = 0x0000 0?0\r\nBoot >") << false;
        QTest::newRow("found by the fuzzer") << QByteArray("*CRC32 = 0x 1\\.deadbeef\r\n") << false;
        QTest::newRow("sign") << QByteArray("CRC32 = 0x+0000000\r\n") << false;
        QTest::newRow("second prefix") << QByteArray("CRC32 = 0x0x000000\r\n") << false;
        QTest::newRow("leading blanks") << QByteArray("CRC32 = 0x       0\r\n") << false;
        QTest::newRow("cut short") << QByteArray("CRC32 = 0x00\r\nBoot >") << false;
        QTest::newRow("zero") << QByteArray("CRC32 = 0x00000000\r\n") << true;
        QTest::newRow("mixed case") << QByteArray("CRC32 = 0xdEaDbEeF\r\n") << true;
    }

    void checksumDigitsMustAllBeHexadecimal()
    {
        QFETCH(QByteArray, reply);
        QFETCH(bool, readable);
        const std::optional<quint32> value = ConsoleReply::checksumValue(reply);
        QCOMPARE(value.has_value(), readable);
        if (readable)
            QCOMPARE(*value, reply.mid(10, 8).toUInt(nullptr, 16));
    }

    // The same fault on the wire: an empty image (CRC 0) and a chip whose
    // checksum line is garbled must not pass.
    void garbledChecksumDoesNotPassAnEmptyImage()
    {
        WorkerHarness h;
        h.useImage(QByteArray());
        QCOMPARE(h.settings.imageCrc, 0u);
        h.chip.configure([](ChipKnobs& k) { k.garbledChecksum = true; });
        h.worker.start(true);
        QCOMPARE(h.finished(), QList<bool>({ false }));
        QVERIFY(!h.texts().contains("Verify done."));
        QVERIFY(h.texts().contains("Error : verify failed! The correct checksum is: 0x0"));
        QVERIFY(h.texts().contains("Download failed!"));
    }

    void emptyImageStillPassesAnHonestChip()
    {
        WorkerHarness h;
        h.useImage(QByteArray());
        h.worker.start(true);
        QCOMPARE(h.finished(), QList<bool>({ true }));
        QVERIFY(h.texts().contains("checksum 1 18001000 0!"));
        QVERIFY(h.texts().contains("Verify done."));
    }

    // fuzz_bootconsole: "md" with a huge count overflowed an int while
    // reserving its reply, then built gigabytes of text.
    void hugeDumpCountIsRefusedAtOnce_data()
    {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<bool>("refused");
        QTest::newRow("largest unsigned") << QByteArray("md 18000000 4294967295\r") << true;
        QTest::newRow("30 million") << QByteArray("md 18000000 30000000\r") << true;
        QTest::newRow("one past 4 MiB") << QByteArray("md 18000000 1048577\r") << true;
        QTest::newRow("a chunk") << QByteArray("md 18000000 4096\r") << false;
    }

    void hugeDumpCountIsRefusedAtOnce()
    {
        QFETCH(QByteArray, command);
        QFETCH(bool, refused);
        QByteArray out;
        BootConsole console(
            0x100000, [&out](const QByteArray& bytes, qint64) { out += bytes; },
            [](ChipEvent::Kind, const QByteArray&, const QByteArray&) {});
        ChipKnobs knobs;
        QElapsedTimer clock;
        clock.start();
        for (const char byte : command)
            console.receive(byte, knobs, 0);
        QVERIFY2(clock.elapsed() < 5000, "the console took seconds over one command");
        QCOMPARE(out.contains("Usage: md <addr> [count]"), refused);
        QVERIFY(out.endsWith("Boot >"));
        if (!refused)
            QCOMPARE(out.count("ffffffff"), 4096);
    }
};

QTEST_GUILESS_MAIN(FuzzFindingsTest)
#include "tst_fuzzfindings.moc"
