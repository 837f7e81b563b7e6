// The console program's sink and run log, in process: console streams are
// captured by pointing file descriptors 1 and 2 at files for one call.
#include "DownloadMessage.h"
#include "RunLog.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <functional>
#include <unistd.h>

namespace {

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Redirects stdout and stderr into files while `action` runs.
struct Captured {
    QByteArray out;
    QByteArray err;
};

Captured capture(const QString& dir, const std::function<void()>& action)
{
    std::fflush(stdout);
    std::fflush(stderr);
    const QByteArray outPath = QDir(dir).filePath("stdout.txt").toLocal8Bit();
    const QByteArray errPath = QDir(dir).filePath("stderr.txt").toLocal8Bit();
    const int savedOut = ::dup(1);
    const int savedErr = ::dup(2);
    std::FILE* out = std::fopen(outPath.constData(), "wb");
    std::FILE* err = std::fopen(errPath.constData(), "wb");
    ::dup2(::fileno(out), 1);
    ::dup2(::fileno(err), 2);
    action();
    std::fflush(stdout);
    std::fflush(stderr);
    ::dup2(savedOut, 1);
    ::dup2(savedErr, 2);
    ::close(savedOut);
    ::close(savedErr);
    std::fclose(out);
    std::fclose(err);
    // Windows' C library writes a line end to a console stream as CR LF.
    const auto lines = [](QByteArray bytes) { return bytes.replace("\r\n", "\n"); };
    return { lines(readFile(outPath)), lines(readFile(errPath)) };
}

} // namespace

class MessageSinkTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(dir.isValid());
        QVERIFY(QDir::setCurrent(dir.path()));
        QDir("logs").removeRecursively();
        QVERIFY(QDir().mkdir("logs"));
        second = 0;
        RunLog::setClock([this] { return QDateTime(QDate(2024, 3, 1), QTime(8, 30, 0)).addSecs(second++); });
        RunLog::setRotationThreshold(RunLog::defaultRotationBytes);
        previousHandler = qInstallMessageHandler(runLogHandler);
    }

    void cleanup()
    {
        qInstallMessageHandler(previousHandler);
        RunLog::close();
        QDir::setCurrent(QDir::tempPath());
    }

    void workerLinesGoToTheirStreamAndTheRunLog_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("toStderr");
        QTest::newRow("progress") << "Open port..." << false;
        QTest::newRow("error line") << "Error: can't open a.bin" << true;
        QTest::newRow("error without space") << "Error:failed to open portCOM9" << true;
        QTest::newRow("error anywhere") << "Step 3: Error: late" << true;
        QTest::newRow("lower-case error") << "error: only in lower case" << false;
        QTest::newRow("error before colon space") << "Error : verify failed!" << false;
        QTest::newRow("failure without Error:") << "Download failed!" << false;
        QTest::newRow("percent sign") << "35% done!" << false;
        QTest::newRow("percent directive") << "Error: %s %1 %n" << true;
        QTest::newRow("non-ASCII") << QString::fromUtf8("Error: can't open /tmp/Bild_äöü_圖.bin") << true;
    }

    void workerLinesGoToTheirStreamAndTheRunLog()
    {
        QFETCH(QString, text);
        QFETCH(bool, toStderr);
        QVERIFY(RunLog::openFirst());
        DownloadMessage sink;
        const Captured console = capture(dir.path(), [&] { sink.workerLog(text, QColor(Qt::red)); });
        const QByteArray line = text.toUtf8() + '\n';
        QCOMPARE(console.out, toStderr ? QByteArray() : line);
        QCOMPARE(console.err, toStderr ? line : QByteArray());
        QCOMPARE(readFile("logs/cmd_2024-03-01-08-30-00.log"), text.toUtf8() + "\r\n");
    }

    void resultAndExceptionSlots()
    {
        QVERIFY(RunLog::openFirst());
        DownloadMessage sink;
        const Captured console = capture(dir.path(), [&] {
            sink.workerResult(true);
            sink.workerResult(false);
            sink.workerException("port vanished");
        });
        QCOMPARE(console.out, QByteArray("Successed!\n"));
        QCOMPARE(console.err, QByteArray("Failed!\nport vanished\n"));
        QCOMPARE(readFile(RunLog::fileName()), QByteArray("Successed!\r\nFailed!\r\nFailed!!!port vanished\r\n"));
    }

    void onlyDebugMessagesAreLoggedAndNothingIsPrinted()
    {
        QVERIFY(RunLog::openFirst());
        const Captured console = capture(dir.path(), [] {
            qDebug("first");
            qWarning("QObject::connect: No such signal");
            qCritical("critical");
            qInfo("info");
            qDebug().noquote() << "second";
        });
        QCOMPARE(console.out, QByteArray());
        QCOMPARE(console.err, QByteArray());
        QCOMPARE(readFile(RunLog::fileName()), QByteArray("first\r\nsecond\r\n"));
    }

    // Lines of 10 bytes with CR LF; the file is changed once the count has reached the threshold.
    void rotationStartsNewFilesAfterTheThreshold_data()
    {
        QTest::addColumn<int>("threshold");
        QTest::addColumn<int>("lines");
        QTest::addColumn<QList<int>>("fileSizes");
        QTest::newRow("exact multiple") << 100 << 25 << QList<int>({ 100, 100, 50 });
        QTest::newRow("reached inside a line") << 95 << 25 << QList<int>({ 100, 100, 50 });
        QTest::newRow("one byte more") << 101 << 25 << QList<int>({ 110, 110, 30 });
        QTest::newRow("ends on a rotation") << 50 << 10 << QList<int>({ 50, 50, 0 });
        QTest::newRow("below threshold") << 1000 << 25 << QList<int>({ 250 });
    }

    void rotationStartsNewFilesAfterTheThreshold()
    {
        QFETCH(int, threshold);
        QFETCH(int, lines);
        QFETCH(QList<int>, fileSizes);
        RunLog::setRotationThreshold(threshold);
        QVERIFY(RunLog::openFirst());
        for (int i = 0; i < lines; ++i)
            qDebug("line %03d", i);

        QStringList expectedNames { "cmd_2024-03-01-08-30-00.log" };
        for (int i = 1; i < fileSizes.size(); ++i)
            expectedNames << QString("Cmd_2024-03-01-08-30-%1.log").arg(i, 2, 10, QLatin1Char('0'));
        QDir logs("logs");
        QCOMPARE(logs.entryList(QDir::Files, QDir::Name | QDir::IgnoreCase), expectedNames);
        QByteArray all;
        for (int i = 0; i < fileSizes.size(); ++i) {
            const QByteArray content = readFile(logs.filePath(expectedNames.at(i)));
            QCOMPARE(content.size(), fileSizes.at(i));
            all += content;
        }
        QByteArray written;
        for (int i = 0; i < lines; ++i)
            written += QString("line %1\r\n").arg(i, 3, 10, QLatin1Char('0')).toLatin1();
        QCOMPARE(all, written);
    }

    void theDefaultThresholdIsTenMillionBytes()
    {
        QVERIFY(RunLog::openFirst());
        const QString chunk(999999, QLatin1Char('x')); // 1,000,001 bytes with CR LF
        for (int i = 0; i < 9; ++i)
            qDebug().noquote() << chunk;
        qDebug().noquote() << QString(999988, QLatin1Char('y')); // 9,999,999 bytes in all
        QCOMPARE(QDir("logs").entryList(QDir::Files).size(), 1);
        qDebug("z"); // 10,000,002
        QCOMPARE(QFileInfo("logs/cmd_2024-03-01-08-30-00.log").size(), 10000002);
        QCOMPARE(RunLog::fileName(), QString("logs/Cmd_2024-03-01-08-30-01.log"));
    }

    void aSecondRunLogInTheSameSecondTakesThePid_data()
    {
        QTest::addColumn<bool>("rotation");
        QTest::newRow("first file") << false;
        QTest::newRow("rotation") << true;
    }

    void aSecondRunLogInTheSameSecondTakesThePid()
    {
        QFETCH(bool, rotation);
        RunLog::setClock([] { return QDateTime(QDate(2024, 3, 1), QTime(8, 30, 5)); });
        const auto open = [&] { return rotation ? RunLog::openNext() : RunLog::openFirst(); };
        const QString prefix = rotation ? "logs/Cmd_" : "logs/cmd_";
        QVERIFY(open());
        qDebug("from the first");
        QCOMPARE(RunLog::fileName(), prefix + "2024-03-01-08-30-05.log");
        QVERIFY(open());
        qDebug("from the second");
        const QString second
            = QString("%1%2_%3.log").arg(prefix, "2024-03-01-08-30-05").arg(QCoreApplication::applicationPid());
        QCOMPARE(RunLog::fileName(), second);
        QCOMPARE(readFile(prefix + "2024-03-01-08-30-05.log"), QByteArray("from the first\r\n"));
        QCOMPARE(readFile(second), QByteArray("from the second\r\n"));
    }

    void withoutLogsFolderLinesAreCountedUntilARotationSucceeds()
    {
        QVERIFY(QDir("logs").removeRecursively());
        RunLog::setRotationThreshold(30);
        QVERIFY(!RunLog::openFirst());
        const Captured console = capture(dir.path(), [] {
            qDebug("lost 0001");
            qDebug("lost 0002");
            qDebug("lost 0003"); // 30 bytes: the rotation fails as well
        });
        QCOMPARE(console.err, QByteArray());
        QVERIFY(!RunLog::isOpen());
        QVERIFY(QDir().mkdir("logs"));
        qDebug("lost 0004");
        qDebug("lost 0005");
        QCOMPARE(QDir("logs").entryList(QDir::Files), QStringList());
        qDebug("lost 0006"); // the count reaches 30 again: this rotation opens a file
        qDebug("kept 0007");
        QCOMPARE(QDir("logs").entryList(QDir::Files), QStringList({ "Cmd_2024-03-01-08-30-02.log" }));
        QCOMPARE(readFile(RunLog::fileName()), QByteArray("kept 0007\r\n"));
    }

private:
    QTemporaryDir dir;
    int second = 0;
    QtMessageHandler previousHandler = nullptr;
};

QTEST_GUILESS_MAIN(MessageSinkTest)
#include "tst_messagesink.moc"
