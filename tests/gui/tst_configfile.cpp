// Loading and storing the settings record, and the erase-range check.
#include "CheckEraseRange.h"
#include "WorkFolder.h"
#include "WorkerSettings.h"

#include <QSettings>
#include <QtTest>

class ConfigFileTest : public QObject {
    Q_OBJECT

private slots:
    void pathsByWorkMode_data()
    {
        QTest::addColumn<int>("workMode");
        QTest::addColumn<QString>("path");
        QTest::newRow("flash test") << 0 << "cfg/tervask.ini";
        QTest::newRow("rs-485") << 1 << "cfg/download_485.ini";
        QTest::newRow("dump") << 2 << "cfg/download_dump.ini";
        QTest::newRow("unknown mode") << 7 << "cfg/tervask.ini";
    }

    void pathsByWorkMode()
    {
        QFETCH(int, workMode);
        QFETCH(QString, path);
        QCOMPARE(WorkerSettings::configPath(workMode), path);
    }

    void defaultsWithoutCfgFolder()
    {
        WorkFolder folder;
        WorkerSettings s(0);
        s.loadConfig();
        QCOMPARE(s.language, QString("English"));
        QCOMPARE(s.BaudRate, QString("921600"));
        QCOMPARE(s.FlashSize, QString("1MByte"));
        QCOMPARE(s.downloadAddr, QString("0x1000"));
        QCOMPARE(s.AutoTest, false);
        QCOMPARE(s.AutoStart, false);
        QVERIFY(s.FileName.isEmpty());
        QVERIFY(s.File2Name.isEmpty());
        QCOMPARE(s.VerifyUnitTime, 600);
        QVERIFY(s.loader == nullptr);
        QVERIFY(!QFileInfo::exists(folder.path("cfg")));
    }

    void secondFileReadOnlyInTestMode_data()
    {
        QTest::addColumn<bool>("autoTest");
        QTest::addColumn<QString>("expected");
        QTest::newRow("test mode off") << false << "";
        QTest::newRow("test mode on") << true << "second.bin";
    }

    void secondFileReadOnlyInTestMode()
    {
        QFETCH(bool, autoTest);
        QFETCH(QString, expected);
        WorkFolder folder;
        folder.writeConfig("cfg/tervask.ini", "download",
            { { "AutoTest", autoTest }, { "File2Name", "second.bin" }, { "FileName", "first.bin" } });
        WorkerSettings s(0);
        s.loadConfig();
        QCOMPARE(s.FileName, QString("first.bin"));
        QCOMPARE(s.File2Name, expected);
    }

    void storeWritesEveryDownloadKeyAndKeepsTheOthers()
    {
        WorkFolder folder;
        folder.writeConfig("cfg/tervask.ini", "download",
            { { "File2Name", "kept.bin" }, { "MacAddr", "00:11:22:33:44:55" }, { "ProgramWaitTime485", 9 } });
        WorkerSettings s(0);
        s.loadConfig();
        s.language = "Chinese";
        s.FileName = "a.bin";
        s.File2Name = "not stored.bin";
        s.IsErase6620 = true;
        s.EraseAddr6620 = "0X2000";
        s.VerifyUnitTime = 800;
        s.ProgramWaitTime485 = 5;
        s.saveConfig();
        QVERIFY(s.loader == nullptr);

        QSettings ini(folder.path("cfg/tervask.ini"), QSettings::IniFormat);
        ini.beginGroup("download");
        QCOMPARE(ini.value("language").toString(), QString("Chinese"));
        QCOMPARE(ini.value("FileName").toString(), QString("a.bin"));
        QCOMPARE(ini.value("IsErase6620").toBool(), true);
        QCOMPARE(ini.value("EraseAddr6620").toString(), QString("0X2000"));
        QCOMPARE(ini.value("VerifyUnitTime").toInt(), 800);
        QCOMPARE(ini.value("MacAddr").toString(), QString("00:11:22:33:44:55"));
        // Not visited with AutoTest off or outside RS-485: the file keeps its values.
        QCOMPARE(ini.value("File2Name").toString(), QString("kept.bin"));
        QCOMPARE(ini.value("ProgramWaitTime485").toInt(), 9);
        ini.endGroup();
        QCOMPARE(ini.childGroups(), QStringList({ "download" }));
    }

    void rs485ModeCarriesItsPause()
    {
        WorkFolder folder;
        folder.writeConfig("cfg/download_485.ini", "download", { { "ProgramWaitTime485", 7 } });
        WorkerSettings s(1);
        s.loadConfig();
        QCOMPARE(s.ProgramWaitTime485, 7);
        s.ProgramWaitTime485 = 3;
        s.saveConfig();
        WorkerSettings again(1);
        again.loadConfig();
        QCOMPARE(again.ProgramWaitTime485, 3);
    }

    void dumpRecordTouchesOnlyDumpKeys()
    {
        WorkFolder folder;
        folder.writeConfig("cfg/download_dump.ini", "dump",
            { { "DumpAddr", "1000" }, { "DumpSize", "40" }, { "SaveFile", "out.bin" }, { "FlashSize", "2MByte" },
                { "Timeout", 1234 }, { "language", "Chinese" }, { "FileName", "x.bin" } });
        WorkerSettings s(2);
        s.loadConfig();
        QCOMPARE(s.DumpAddr, QString("1000"));
        QCOMPARE(s.DumpSize, QString("40"));
        QCOMPARE(s.SaveFile, QString("out.bin"));
        QCOMPARE(s.FlashSize, QString("2MByte"));
        QCOMPARE(s.Timeout, 1234);
        QCOMPARE(s.language, QString("English"));
        QVERIFY(s.FileName.isEmpty());

        s.BaudRate = "115200";
        s.language = "Elvish";
        s.saveConfig();
        QSettings ini(folder.path("cfg/download_dump.ini"), QSettings::IniFormat);
        QCOMPARE(ini.childGroups(), QStringList({ "dump" }));
        ini.beginGroup("dump");
        QCOMPARE(ini.value("BaudRate").toString(), QString("115200"));
        QCOMPARE(ini.value("language").toString(), QString("Chinese"));
        QCOMPARE(ini.value("FileName").toString(), QString("x.bin"));
        QVERIFY(!QFileInfo::exists(folder.path("cfg/tervask.ini")));
    }

    void eraseRange_data()
    {
        QTest::addColumn<int>("flash");
        QTest::addColumn<int>("address");
        QTest::addColumn<int>("size");
        QTest::addColumn<QString>("error");
        const int mib = 1048576;
        QTest::newRow("below 0x1000") << mib << 0x800 << 0x1000 << "Erase address can't less than 0x1000!";
        QTest::newRow("past the flash") << mib << mib + 1 << 0 << "Erase address can't greater than the flash size!";
        QTest::newRow("to the end") << mib << 0x1000 << 0xff000 << "";
        QTest::newRow("one MiB from 0x1000") << mib << 0x1000 << mib << "Erase size can't greater than 0xff000!";
        QTest::newRow("not 4k") << mib << 0x1000 << 0x1800 << "Erase size must be a multiple of 4k!";
        QTest::newRow("unaligned start") << mib << 0x1800 << 0x1000 << "";
        QTest::newRow("at the end, nothing") << mib << mib << 0 << "";
        QTest::newRow("room names 4 MiB") << 4 * mib << 0x3000 << 4 * mib << "Erase size can't greater than 0x3fd000!";
    }

    void eraseRange()
    {
        QFETCH(int, flash);
        QFETCH(int, address);
        QFETCH(int, size);
        QFETCH(QString, error);
        QString reason = "untouched";
        QCOMPARE(checkEraseRange(flash, address, size, reason), error.isEmpty());
        QCOMPARE(reason, error.isEmpty() ? QString("untouched") : error);
    }
};

QTEST_GUILESS_MAIN(ConfigFileTest)
#include "tst_configfile.moc"
