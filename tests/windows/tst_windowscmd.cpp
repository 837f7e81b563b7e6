// The Windows console downloader (tervaskcmd.exe) under Wine against a virtual
// chip served by this process: Wine maps the port COM5 to the chip's
// pseudo-terminal through a link in the prefix's dosdevices folder. Run by
// scripts/test-windows with TERVASK_WINDOWS_CMD naming the program (in the
// unpacked zip or the installed folder) and WINEPREFIX a prefix made for it.
#include "ProgramFiles.h"
#include "VirtualChip.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

namespace {

struct Result {
    int status = -1000;
    QByteArray out;
    QByteArray err;
};

const QString port = QStringLiteral("COM5");

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Windows' C library ends a console line with CR LF.
QByteArray unixLines(QByteArray bytes)
{
    return bytes.replace("\r\n", "\n");
}

// How a Windows program names a file of this machine: through Wine's drive Z.
QString windowsPath(const QString& path)
{
    return QStringLiteral("Z:") + QDir::toNativeSeparators(path).replace(QLatin1Char('/'), QLatin1Char('\\'));
}

} // namespace

class WindowsCmdTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        program = qEnvironmentVariable("TERVASK_WINDOWS_CMD");
        if (program.isEmpty() || qEnvironmentVariableIsEmpty("WINEPREFIX"))
            QSKIP("run by scripts/test-windows: TERVASK_WINDOWS_CMD and WINEPREFIX name the program and the prefix");
        QVERIFY2(QFileInfo::exists(program), qPrintable(program));
        programDir = QFileInfo(program).absolutePath();
        comLink = QDir(qEnvironmentVariable("WINEPREFIX")).filePath("dosdevices/com5");
        QVERIFY(workDir.isValid());
        image = workDir.filePath("image.bin");
        QVERIFY(writeFile(image, randomBytes(64 * 1024, 18)));
    }

    void cleanup() { QFile::remove(comLink); }

    // Byte-exact into the chip at 921600 baud; the run log and the production
    // record land beside the program, wherever it was started from.
    void downloadPassesByteExact()
    {
        VirtualChip chip;
        QVERIFY(startChip(chip));
        const QDateTime started = QDateTime::currentDateTimeUtc();
        const Result r = run({ "--p", port, "--file", windowsPath(image), "--b", "921600" });
        QVERIFY2(r.status == 0, r.out + r.err);
        QCOMPARE(r.err, QByteArray());
        QVERIFY2(r.out.contains("\nVerify done.\nDownload successed!\nClose port COM5\nElapsed: "), r.out);
        QCOMPARE(chip.flash(0x1000, 64 * 1024), readFile(image));
        QCOMPARE(chip.hostLine().baud, 921600);

        const QByteArray log = readFile(newestRunLog(started));
        QVERIFY2(log.startsWith("Open port...\r\n") && log.contains("\r\nDownload successed!\r\nClose port COM5\r\n"),
            log);
        QCOMPARE(recordedResults("chip_attempts", started), QStringList({ "pass" }));
    }

    void wrongChecksumEndsWithStatusTwo()
    {
        VirtualChip chip;
        QVERIFY(startChip(chip));
        chip.configure([](ChipKnobs& k) { k.wrongChecksum = true; });
        const Result r = run({ "--p", port, "--file", windowsPath(image), "--b", "921600" });
        QCOMPARE(r.status, 2);
        QVERIFY2(r.out.contains("\nError : verify failed! The correct checksum is: 0x"), r.out);
        QVERIFY2(r.out.contains("\nDownload failed!\nClose port COM5\n"), r.out);
        QVERIFY(!r.out.contains("Download successed!"));
    }

    // The speed given is the one on the line: at 460800 a 921600 chip hears
    // only garbage, as on Linux.
    void hostSpeedOtherThanTheChipsFindsNoDevice()
    {
        VirtualChip chip;
        QVERIFY(startChip(chip));
        const Result r = run({ "--p", port, "--file", windowsPath(image), "--b", "460800" });
        QCOMPARE(r.status, 2);
        QVERIFY2(r.err.contains("Error: Not find a device!\n"), r.out + r.err);
        QCOMPARE(chip.hostLine().baud, 460800);
        QCOMPARE(chip.commands(), QList<QByteArray>());
        QCOMPARE(chip.flash(0x1000, 64 * 1024), QByteArray(64 * 1024, char(0xFF)));
    }

    void ctrlCDuringTheTransferStopsCleanly()
    {
        VirtualChip chip;
        QVERIFY(startChip(chip));
        const QString bigImage = workDir.filePath("big.bin");
        QVERIFY(writeFile(bigImage, randomBytes(256 * 1024, 256)));
        const QDateTime started = QDateTime::currentDateTimeUtc();
        QProcess process;
        start(process, { "--p", port, "--file", windowsPath(bigImage), "--b", "921600" });
        QByteArray out;
        QVERIFY2(waitForOutput(process, out, "[Send Packet: 10/256]", 60000), out + process.readAllStandardError());
        ::kill(pid_t(process.processId()), SIGINT);
        QVERIFY(process.waitForFinished(30000));
        out = unixLines(out + process.readAllStandardOutput());
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 2);
        const QList<QByteArray> lines = out.split('\n');
        const qsizetype stop = lines.indexOf("Stop ...");
        QVERIFY2(stop > 0, out);
        QCOMPARE(lines.mid(stop, 4), QList<QByteArray>({ "Stop ...", "Cancel", "Download failed!", "Close port COM5" }));
        QVERIFY(lines.at(stop + 4).startsWith("Elapsed: "));
        QVERIFY(readFile(newestRunLog(started)).endsWith(lines.at(stop + 4) + "\r\n"));
        QCOMPARE(recordedResults("chip_attempts", started), QStringList({ "canceled" }));
    }

    // Windows' drivers report a pulled adapter with other errors than Linux's.
    void adapterPulledDuringTheTransferIsALostPort()
    {
        VirtualChip chip;
        QVERIFY(startChip(chip));
        const QString bigImage = workDir.filePath("big.bin");
        QVERIFY(writeFile(bigImage, randomBytes(256 * 1024, 256)));
        QProcess process;
        start(process, { "--p", port, "--file", windowsPath(bigImage), "--b", "921600" });
        QByteArray out;
        QVERIFY2(waitForOutput(process, out, "[Send Packet: 10/256]", 60000), out + process.readAllStandardError());
        chip.pullAdapter();
        QVERIFY(process.waitForFinished(30000));
        const QByteArray err = unixLines(process.readAllStandardError());
        out = unixLines(out + process.readAllStandardOutput());
        QCOMPARE(process.exitCode(), 2);
        QVERIFY2(err.startsWith("Error: the port COM5 is lost!\n"), out + err);
        QVERIFY2(out.contains("\nDownload failed!\n"), out);
    }

    // Printed and logged as typed, whatever the Windows code page.
    void nonAsciiFileNameIsPrintedAsTyped()
    {
        const QString missing = windowsPath(workDir.filePath(QString::fromUtf8("固件_äöü.bin")));
        const QDateTime started = QDateTime::currentDateTimeUtc();
        const Result r = run({ "--p", port, "--file", missing });
        const QByteArray error = "Error: can't open " + missing.toUtf8();
        QCOMPARE(r.status, 255);
        QCOMPARE(r.err, error + "\n");
        QCOMPARE(readFile(newestRunLog(started)), error + "\r\n");
    }

    // This build has no PostgreSQL driver: line mode says so once, and the rows wait in the outbox.
    void lineDatabaseWithoutItsDriverKeepsTheRowsLocal()
    {
        VirtualChip chip;
        QVERIFY(startChip(chip));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("TERVASK_RECORDS", "postgresql://line@127.0.0.1:1/production");
        const QDateTime started = QDateTime::currentDateTimeUtc();
        const Result r = run({ "--p", port, "--file", windowsPath(image), "--b", "921600" }, environment);
        QVERIFY2(r.status == 0, r.out + r.err);
        QCOMPARE(r.err,
            QByteArray("Warning: production records wait for the line database: Qt's PostgreSQL driver is missing "
                       "on this PC\n"));
        QCOMPARE(recordedResults("outbox", started), QStringList({ "pass" }));
    }

private:
    bool startChip(VirtualChip& chip)
    {
        QFile::remove(comLink);
        if (!chip.start(comLink))
            return false;
        chip.configure([](ChipKnobs& k) {
            k.baud = 921600;
            k.strictLineEnds = true;
        });
        return true;
    }

    // Started from another folder than the program's: it must find its own.
    void start(QProcess& process, const QStringList& arguments,
        const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
    {
        process.setWorkingDirectory(workDir.path());
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral("wine"), QStringList { program } + arguments);
    }

    Result run(
        const QStringList& arguments, const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
    {
        QProcess process;
        start(process, arguments, environment);
        Result r;
        if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
            return r;
        r.status = process.exitCode();
        r.out = unixLines(process.readAllStandardOutput());
        r.err = unixLines(process.readAllStandardError());
        return r;
    }

    bool waitForOutput(QProcess& process, QByteArray& out, const QByteArray& text, int timeoutMs)
    {
        QDeadlineTimer deadline(timeoutMs);
        while (!deadline.hasExpired()) {
            out += process.readAllStandardOutput();
            if (out.contains(text))
                return true;
            if (process.state() == QProcess::NotRunning)
                return false;
            process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
        }
        return false;
    }

    // The run log the program began at or after `since`, in logs/ beside the program.
    QString newestRunLog(const QDateTime& since) const
    {
        const QDir logs(QDir(programDir).filePath("logs"));
        const QFileInfoList files = logs.entryInfoList({ "cmd_*.log" }, QDir::Files, QDir::Time);
        for (const QFileInfo& file : files) {
            if (file.birthTime().isValid() ? file.birthTime() >= since.addSecs(-1) : file.lastModified() >= since)
                return file.filePath();
        }
        return QStringLiteral("<no run log since %1 in %2>").arg(since.toString(Qt::ISODate), logs.path());
    }

    // The results of COM5's attempts started at or after `since`, from the records beside the program.
    QStringList recordedResults(const QString& table, const QDateTime& since) const
    {
        QStringList results;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("check"));
            db.setDatabaseName(QDir(programDir).filePath("records/production.sqlite"));
            if (db.open()) {
                QSqlQuery query(db);
                query.prepare(QStringLiteral("SELECT result FROM %1 WHERE station = ? AND started_at >= ? "
                                             "ORDER BY started_at")
                                  .arg(table));
                query.addBindValue(port);
                query.addBindValue(since.addSecs(-1).toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzzZ")));
                query.exec();
                while (query.next())
                    results << query.value(0).toString();
            }
        }
        QSqlDatabase::removeDatabase(QStringLiteral("check"));
        return results;
    }

    QString program;
    QString programDir;
    QString comLink;
    QTemporaryDir workDir;
    QString image;
};

QTEST_GUILESS_MAIN(WindowsCmdTest)
#include "tst_windowscmd.moc"
