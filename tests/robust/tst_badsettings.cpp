// Configuration files that a production line should survive: garbage, binary
// bytes, missing groups, huge and negative numbers, text where a number
// belongs. Loading keeps the defaults for what it cannot read and never
// crashes; the jobs run with what was loaded neither hang nor crash.
#include "WorkerHarness.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

namespace {

QByteArray someImage()
{
    QByteArray bytes(3000, Qt::Uninitialized);
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = char(i * 13 + 5);
    return bytes;
}

// Settings files are cached by name, size and time: each write gets a time of
// its own so that a rewrite of the same size is read again.
void writeFile(const QString& path, const QByteArray& bytes)
{
    static qint64 writes = 0;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size() || !file.flush()
        || !file.setFileTime(QDateTime::fromSecsSinceEpoch(1000000000 + ++writes), QFileDevice::FileModificationTime))
        qFatal("cannot write %s", qPrintable(path));
}

QByteArray allByteValues()
{
    QByteArray bytes;
    for (int i = 0; i < 256; ++i)
        bytes.append(char(i));
    return bytes + bytes;
}

// The members the keys carry, as text, for comparing records.
QStringList keyValues(const WorkerSettings& s)
{
    return { s.BaudRate, s.FlashSize, s.MacAddr, s.language, s.FileName, s.File2Name, QString::number(s.AutoTest),
        QString::number(s.AutoStart), QString::number(s.VerifyUnitTime), s.downloadAddr,
        QString::number(s.ProgramWaitTime485), QString::number(s.IsErase6620), s.EraseAddr6620, s.EraseSize6620,
        s.DumpAddr, s.DumpSize, s.SaveFile, QString::number(s.Timeout) };
}

} // namespace

class BadSettingsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(folder.isValid());
        QVERIFY(QDir::setCurrent(folder.path()));
        QVERIFY(QDir().mkpath("cfg"));
    }

    void cleanup()
    {
        for (int mode = 0; mode <= 2; ++mode) {
            const QString path = WorkerSettings::configPath(mode);
            QFile::remove(path);
            QDir().rmdir(path);
        }
    }

    // Files that hold nothing usable: every mode keeps every default.
    void unreadableFilesKeepDefaults_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("garbage text") << QByteArray("this is no configuration\n%%%\n=\n[[[\n]]]=]\n\\\\\\\n");
        QTest::newRow("binary bytes") << allByteValues();
        QTest::newRow("only NUL bytes") << QByteArray(4096, '\0');
        QTest::newRow("keys without a group") << QByteArray("BaudRate=115200\nFlashSize=4MByte\nDumpAddr=1000\n");
        QTest::newRow("another group") << QByteArray("[downloads]\nBaudRate=115200\n[Dump]\nDumpSize=1\n");
        QTest::newRow("one line of 4 MiB") << QByteArray(4 * 1024 * 1024, 'A');
        QTest::newRow("empty") << QByteArray();
    }

    void unreadableFilesKeepDefaults()
    {
        QFETCH(QByteArray, content);
        for (int mode = 0; mode <= 2; ++mode) {
            writeFile(WorkerSettings::configPath(mode), content);
            WorkerSettings loaded(mode);
            loaded.loadConfig();
            QCOMPARE(keyValues(loaded), keyValues(WorkerSettings(mode)));
            QVERIFY(loaded.loader == nullptr);
        }
    }

    void folderInsteadOfAFileKeepsDefaults()
    {
        const QString path = WorkerSettings::configPath(0);
        QVERIFY(QDir().mkpath(path));
        WorkerSettings loaded(0);
        loaded.loadConfig();
        QCOMPARE(keyValues(loaded), keyValues(WorkerSettings(0)));
    }

    // One bad value among good ones: the bad one keeps its default, the good ones load.
    void badValuesKeepTheirDefault_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("expected"); // member=value pairs that must hold
        const QByteArray good = "FlashSize=2MByte\n";
        QTest::newRow("int past the range") << 0 << "[download]\nVerifyUnitTime=99999999999\n" + good
                                            << QStringList { "VerifyUnitTime=600", "FlashSize=2MByte" };
        QTest::newRow("int as text") << 0 << "[download]\nVerifyUnitTime=fast\n" + good
                                     << QStringList { "VerifyUnitTime=600", "FlashSize=2MByte" };
        QTest::newRow("int in hex") << 2 << "[dump]\nTimeout=0x10\n" + good
                                    << QStringList { "Timeout=60000", "FlashSize=2MByte" };
        QTest::newRow("negative int") << 1 << "[download]\nProgramWaitTime485=-2147483648\n" + good
                                      << QStringList { "ProgramWaitTime485=-2147483648", "FlashSize=2MByte" };
        QTest::newRow("lowest int minus one") << 1 << "[download]\nProgramWaitTime485=-2147483649\n" + good
                                              << QStringList { "ProgramWaitTime485=1", "FlashSize=2MByte" };
        QTest::newRow("bool as yes") << 0 << "[download]\nAutoTest=yes\nAutoStart=2\n" + good
                                     << QStringList { "AutoTest=0", "AutoStart=0", "FlashSize=2MByte" };
        QTest::newRow("bool upper case") << 0 << "[download]\nIsErase6620=TRUE\n" + good
                                         << QStringList { "IsErase6620=1", "FlashSize=2MByte" };
        QTest::newRow("baud as text") << 0 << "[download]\nBaudRate=fast\n" + good
                                      << QStringList { "BaudRate=fast", "FlashSize=2MByte" };
        QTest::newRow("baud as a list") << 0 << "[download]\nBaudRate=921600, 115200\n" + good
                                        << QStringList { "BaudRate=921600,115200", "FlashSize=2MByte" };
        QTest::newRow("Windows line ends and a BOM")
            << 0 << QByteArray("\xEF\xBB\xBF[download]\r\nBaudRate=115200\r\nFlashSize=2MByte\r\n")
            << QStringList { "BaudRate=115200", "FlashSize=2MByte" };
        QTest::newRow("variant syntax") << 0 << "[download]\nlanguage=@Variant(\\0\\0\\0\\x7f)\n" + good
                                        << QStringList { "FlashSize=2MByte" };
        QTest::newRow("second file only with AutoTest")
            << 0 << "[download]\nAutoTest=false\nFile2Name=/tmp/second.bin\n" + good
            << QStringList { "File2Name=", "FlashSize=2MByte" };
        QTest::newRow("dump keys in the download file")
            << 0 << "[download]\nDumpAddr=1000\nTimeout=5\n" + good << QStringList { "DumpAddr=", "Timeout=60000" };
    }

    void badValuesKeepTheirDefault()
    {
        QFETCH(int, mode);
        QFETCH(QByteArray, content);
        QFETCH(QStringList, expected);
        writeFile(WorkerSettings::configPath(mode), content);
        WorkerSettings loaded(mode);
        loaded.loadConfig();
        const QStringList names { "BaudRate", "FlashSize", "MacAddr", "language", "FileName", "File2Name", "AutoTest",
            "AutoStart", "VerifyUnitTime", "downloadAddr", "ProgramWaitTime485", "IsErase6620", "EraseAddr6620",
            "EraseSize6620", "DumpAddr", "DumpSize", "SaveFile", "Timeout" };
        const QStringList values = keyValues(loaded);
        for (const QString& pair : expected) {
            const QString name = pair.section('=', 0, 0);
            QVERIFY2(names.contains(name), qPrintable(name));
            QCOMPARE(name + '=' + values.at(names.indexOf(name)), pair);
        }
    }

    // A hand-edited negative pause, loaded from the RS-485 file, does not block the job.
    void negativeRs485PauseFromTheFile()
    {
        writeFile(WorkerSettings::configPath(1), "[download]\nProgramWaitTime485=-2147483648\nVerifyUnitTime=-7\n");
        WorkerHarness h(1);
        h.settings.loadConfig();
        QCOMPARE(h.settings.ProgramWaitTime485, std::numeric_limits<int>::min());
        QCOMPARE(h.settings.VerifyUnitTime, -7);
        const QByteArray image = someImage();
        h.useImage(image);
        QElapsedTimer clock;
        clock.start();
        h.worker.start(false);
        QCOMPARE(h.finished(), QList<bool>({ true }));
        QVERIFY(h.texts().contains("Download successed!"));
        QCOMPARE(h.chip.flash(0x1000, image.size()), image);
        QVERIFY2(clock.elapsed() < 10000, "the job took seconds");
    }

    // A pause of 24 days (the largest int) does not hold the job against Stop.
    void hugePausesGiveWayToStop_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("RS-485 pause") << 1 << QByteArray("[download]\nProgramWaitTime485=2147483647\n");
        QTest::newRow("verify wait") << 0 << QByteArray("[download]\nVerifyUnitTime=2147483647\n");
    }

    void hugePausesGiveWayToStop()
    {
        QFETCH(int, mode);
        QFETCH(QByteArray, content);
        writeFile(WorkerSettings::configPath(mode), content);
        WorkerHarness h(mode);
        h.settings.loadConfig();
        const QByteArray image = someImage();
        h.useImage(image);
        h.stopAfter(1500);
        QElapsedTimer clock;
        clock.start();
        h.worker.start(false);
        QVERIFY2(clock.elapsed() < 6000, "Stop did not end the pause");
        QCOMPARE(h.finished().size(), 1);
        // Stopped while the checksum command waits, the job may still finish
        // its verification; a pass then means the image is really there.
        if (h.finished().first())
            QCOMPARE(h.chip.flash(0x1000, image.size()), image);
        else
            QVERIFY(h.texts().contains("Cancel"));
    }

    // BaudRate that is not a number opens the port with 0: the job goes on
    // with whatever the port makes of it, and ends without hanging.
    void nonNumericBaudRate_data()
    {
        QTest::addColumn<QString>("baud");
        QTest::newRow("text") << "fast";
        QTest::newRow("empty") << "";
        QTest::newRow("past 32 bits") << "99999999999";
        QTest::newRow("largest unsigned") << "4294967295";
        QTest::newRow("negative") << "-9600";
        QTest::newRow("a list") << "921600,115200";
    }

    void nonNumericBaudRate()
    {
        QFETCH(QString, baud);
        WorkerHarness h(0);
        h.settings.BaudRate = baud;
        const QByteArray image = someImage();
        h.useImage(image);
        QElapsedTimer clock;
        clock.start();
        h.worker.start(true);
        QCOMPARE(h.finished().size(), 1);
        QVERIFY2(clock.elapsed() < 20000, "the job took too long");
        const QStringList lines = h.texts();
        QCOMPARE(lines.first(), "Open port...");
        QVERIFY(lines.contains("Close port " + h.chip.portName()));
        // Whatever the outcome, a pass means the image is really in the flash.
        if (h.finished().first())
            QCOMPARE(h.chip.flash(0x1000, image.size()), image);
        qInfo("BaudRate \"%s\": %s", qPrintable(baud), qPrintable(lines.at(lines.size() - 3)));
    }

private:
    QTemporaryDir folder;
};

QTEST_GUILESS_MAIN(BadSettingsTest)
#include "tst_badsettings.moc"
