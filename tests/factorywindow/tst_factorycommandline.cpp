// The station's command line, parsed apart from the window, and the program's
// answer to a line it cannot take.
#include "FactoryCommandLine.h"

#include <QProcess>
#include <QtTest>

class FactoryCommandLineTest : public QObject {
    Q_OBJECT

private slots:
    void parse_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QStringList>("ports");
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("start");

        QTest::newRow("nothing: the recipe as stored") << QStringList() << true << QStringList() << QString() << false;
        QTest::newRow("names and paths, in order")
            << QStringList({ "--ports", "ttyUSB3,/dev/pts/5,COM12,\\\\.\\COM123", "--file", "fw.bin", "--start" })
            << true << QStringList({ "ttyUSB3", "/dev/pts/5", "COM12", "\\\\.\\COM123" }) << "fw.bin" << true;
        QTest::newRow("start first") << QStringList({ "--start", "--ports", "ttyACM0" }) << true
                                     << QStringList({ "ttyACM0" }) << QString() << true;
        QTest::newRow("sixteen stations")
            << QStringList({ "--ports", "a0,a1,a2,a3,a4,a5,a6,a7,a8,a9,a10,a11,a12,a13,a14,a15" }) << true
            << QStringList({ "a0", "a1", "a2", "a3", "a4", "a5", "a6", "a7", "a8", "a9", "a10", "a11", "a12", "a13",
                   "a14", "a15" })
            << QString() << false;

        const QStringList none;
        QTest::newRow("seventeen stations")
            << QStringList({ "--ports", "a0,a1,a2,a3,a4,a5,a6,a7,a8,a9,a10,a11,a12,a13,a14,a15,a16" }) << false << none
            << QString() << false;
        QTest::newRow("a port twice") << QStringList({ "--ports", "ttyUSB0,ttyUSB0" }) << false << none << QString()
                                      << false;
        QTest::newRow("empty port between commas")
            << QStringList({ "--ports", "ttyUSB0,,ttyUSB1" }) << false << none << QString() << false;
        QTest::newRow("a device path with more than a name")
            << QStringList({ "--ports", "\\\\.\\COM1\\x" }) << false << none << QString() << false;
        QTest::newRow("a space in a name")
            << QStringList({ "--ports", "tty USB0" }) << false << none << QString() << false;
        QTest::newRow("ports without a value") << QStringList({ "--ports" }) << false << none << QString() << false;
        QTest::newRow("an option as the value")
            << QStringList({ "--file", "--start" }) << false << none << QString() << false;
        QTest::newRow("empty file") << QStringList({ "--file", "" }) << false << none << QString() << false;
        QTest::newRow("file twice") << QStringList({ "--file", "a.bin", "--file", "b.bin" }) << false << none
                                    << QString() << false;
        QTest::newRow("unknown option") << QStringList({ "--loop" }) << false << none << QString() << false;
        QTest::newRow("a stray word") << QStringList({ "--start", "now" }) << false << none << QString() << false;
        QTest::newRow("single dash") << QStringList({ "-start" }) << false << none << QString() << false;
    }

    void parse()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, valid);
        QFETCH(QStringList, ports);
        QFETCH(QString, file);
        QFETCH(bool, start);
        arguments.prepend("tervaskfactory");
        const FactoryCommandLine line = FactoryCommandLine::parse(arguments);
        QCOMPARE(line.valid, valid);
        QCOMPARE(line.ports, ports);
        QCOMPARE(line.file, file);
        QCOMPARE(line.start, start);
    }

    // Refused before any window or instance name is claimed.
    void programRefusesABadLine()
    {
        QProcess program;
        program.setProgram(QStringLiteral(TERVASK_BIN_DIR "/tervaskfactory"));
        program.setArguments({ "--ports", "ttyUSB0", "--fast" });
        program.start();
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 1);
        QVERIFY(program.readAllStandardOutput().isEmpty());
        QVERIFY(program.readAllStandardError().startsWith("usage: tervaskfactory [--ports P1,P2,...]"));
    }
};

QTEST_MAIN(FactoryCommandLineTest)
#include "tst_factorycommandline.moc"
