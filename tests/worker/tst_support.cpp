#include "ChipXmodem.h"
#include "CountDownTimer.h"
#include "Crc32Wifi.h"
#include "SettingLoader.h"
#include "Xmodem.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

#include <zlib.h>

class SupportTest : public QObject {
    Q_OBJECT

private slots:
    void crcCheckValue()
    {
        const QByteArray text("123456789");
        QCOMPARE(
            Crc32_wifi(reinterpret_cast<const unsigned char*>(text.constData()), unsigned(text.size())), 0xCBF43926u);
        QCOMPARE(Crc32_wifi(nullptr, 0), 0u);
    }

    void crcMatchesZlibOnLargeData()
    {
        QByteArray data(3 * 1024 * 1024 + 17, Qt::Uninitialized);
        for (int i = 0; i < data.size(); ++i)
            data[i] = char((i * 131) ^ (i >> 7));
        const auto* bytes = reinterpret_cast<const unsigned char*>(data.constData());
        QCOMPARE(Crc32_wifi(bytes, unsigned(data.size())), unsigned(crc32(0, bytes, uInt(data.size()))));
    }

    // The tools' CRC-16/XMODEM and the virtual chip's are written apart (bit by
    // bit, and from a table): both give the published check value, and they
    // agree on every single byte, which reaches each entry of the table.
    void crc16CheckValue()
    {
        const QByteArray text("123456789");
        QCOMPARE(Xmodem::crc16(text.constData(), int(text.size())), quint16(0x31C3));
        QCOMPARE(ChipXmodem::crc16(text.constData(), int(text.size())), quint16(0x31C3));
        for (int value = 0; value < 256; ++value) {
            const char byte = char(value);
            QCOMPARE(ChipXmodem::crc16(&byte, 1), Xmodem::crc16(&byte, 1));
        }
    }

    void countDownExpiresAfterItsTime()
    {
        QElapsedTimer clock;
        clock.start();
        const CountDownTimer timer(60);
        QVERIFY(!timer.expired());
        QVERIFY(timer.remaining() > 0);
        while (!timer.expired())
            QTest::qSleep(5);
        QVERIFY(clock.elapsed() >= 60);
        QCOMPARE(timer.remaining(), 0);
        QVERIFY(CountDownTimer(0).expired());
    }

    void storeThenLoadRoundTrips()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("cfg/test.ini");
        {
            SettingLoader store(path, false);
            store.beginGroup("download");
            QString text("a,b = c");
            int number = -42;
            bool flag = true;
            store.value("Text", text);
            store.value("Number", number);
            store.value("Flag", flag);
            store.endGroup();
        }
        QVERIFY2(QFile::exists(path), "destroying a store-mode loader writes the file");

        SettingLoader load(path, true);
        load.beginGroup("download");
        QString text;
        int number = 0;
        bool flag = false;
        load.value("Text", text);
        load.value("Number", number);
        load.value("Flag", flag);
        QCOMPARE(text, QString("a,b = c"));
        QCOMPARE(number, -42);
        QCOMPARE(flag, true);
    }

    void missingFileOrKeyLeavesValues()
    {
        QTemporaryDir dir;
        SettingLoader load(dir.filePath("absent.ini"), true);
        load.beginGroup("download");
        QString text("default");
        int number = 600;
        bool flag = true;
        load.value("Text", text);
        load.value("Number", number);
        load.value("Flag", flag);
        QCOMPARE(text, QString("default"));
        QCOMPARE(number, 600);
        QCOMPARE(flag, true);
        QVERIFY2(!QFile::exists(dir.filePath("absent.ini")), "loading never creates the file");
    }

    void unreadableNumbersLeaveValues()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("bad.ini");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[download]\nNumber=12abc\nFlag=maybe\nOther=7\n");
        file.close();

        SettingLoader load(path, true);
        load.beginGroup("download");
        int number = 600;
        bool flag = true;
        int other = 0;
        load.value("Number", number);
        load.value("Flag", flag);
        load.value("Other", other);
        QCOMPARE(number, 600);
        QCOMPARE(flag, true);
        QCOMPARE(other, 7);
    }

    void groupsKeepKeysApart()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("two.ini");
        {
            SettingLoader store(path, false);
            QString a("first");
            store.beginGroup("download");
            store.value("BaudRate", a);
            store.endGroup();
            QString b("second");
            store.beginGroup("dump");
            store.value("BaudRate", b);
            store.endGroup();
        }
        SettingLoader load(path, true);
        QString value;
        load.beginGroup("dump");
        load.value("BaudRate", value);
        load.endGroup();
        QCOMPARE(value, QString("second"));
    }
};

QTEST_GUILESS_MAIN(SupportTest)
#include "tst_support.moc"
