// The console downloader as a program: a copy of the built binary runs in a
// temporary folder (it works in its own folder and writes logs/ there),
// against a virtual chip served by this process.
#include "ProgramFiles.h"
#include "TraceFileClaim.h"
#include "VirtualChip.h"
#include "WorkerHarness.h"

#include <QDate>
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

#include <array>
#include <csignal>
#include <unistd.h>

namespace {

struct Result {
    int status = -1000;
    QByteArray out;
    QByteArray err;
};

const QString absentPort = QStringLiteral("/dev/vyn-absent-port");

QString usageText(const QDate& date)
{
    return QString(
        "Usage: tervaskcmd --p <port_name> --file <file_path> --loop<cyclic download> --size<flash_size> --b "
        "<baudrate> --addr<download_addr> \n(V00.00.01, build %1)\n\nport_name is the port name,such as "
        "COM3\n\nfile_path is the file path used for downloading.\n\ncyclic download,not need send cmd when "
        "changing a new chip.\n\nflash_size is the flash size,which maybe 1M,2M,or 4M.\n\nbaudrate  can be "
        "set as 460800, 921600, 115200.\n\ndownload_addr is the beginning address of download.\n\n")
        .arg(date.toString(Qt::ISODate));
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QByteArray crlfLines(const QList<QByteArray>& lines)
{
    QByteArray all;
    for (const QByteArray& line : lines)
        all += line + "\r\n";
    return all;
}

} // namespace

class TervaskCmdTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(programDir.isValid());
        QVERIFY(otherDir.isValid());
        program = programDir.filePath("tervaskcmd");
        QVERIFY(QFile::copy(TERVASKCMD_PATH, program));
        QVERIFY(QFile::setPermissions(program, QFile::permissions(program) | QFile::ExeOwner));
        image = programDir.filePath("image.bin");
        QVERIFY(writeFile(image, randomBytes(2000, 2000)));
    }

    void init() { QDir(programDir.filePath("logs")).removeRecursively(); }

    void usageForBadArguments_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("no arguments") << QStringList();
        QTest::newRow("port alone") << QStringList({ "--p", "COM3" });
        QTest::newRow("file alone") << QStringList({ "--file", "image.bin" });
        QTest::newRow("file is the last argument") << QStringList({ "--p", "COM3", "--file" });
        QTest::newRow("stray extra argument") << QStringList({ "--p", "COM3", "--file", "image.bin", "extra" });
        QTest::newRow("port swallows --file") << QStringList({ "--p", "--file", "image.bin" });
        QTest::newRow("single dash") << QStringList({ "-p", "COM3", "--file", "image.bin" });
        QTest::newRow("upper case") << QStringList({ "--P", "COM3", "--file", "image.bin" });
        QTest::newRow("empty port") << QStringList({ "--p", "", "--file", "image.bin" });
        QTest::newRow("loop takes no value") << QStringList({ "--loop", "yes", "--p", "COM3", "--file", "image.bin" });
    }

    void usageForBadArguments()
    {
        QFETCH(QStringList, arguments);
        const QDate before = QDate::currentDate();
        const Result r = run(arguments);
        QCOMPARE(r.status, 1);
        QCOMPARE(r.err, QByteArray());
        QVERIFY2(r.out == usageText(before).toUtf8() || r.out == usageText(QDate::currentDate()).toUtf8(), r.out);
        const QStringList logs = runLogs();
        QCOMPARE(logs.size(), 1);
        QVERIFY2(QRegularExpression(R"(^cmd_\d{4}-\d\d-\d\d-\d\d-\d\d-\d\d\.log$)").match(logs.first()).hasMatch(),
            qPrintable(logs.first()));
        QCOMPARE(runLog(), QByteArray());
    }

    // An accepted image goes on to the job, which here fails at once on a port that does not exist.
    void imageSizeAgainstFlashSize_data()
    {
        QTest::addColumn<QString>("flashSize");
        QTest::addColumn<qint64>("imageSize");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("1M, largest image") << "1M" << qint64(1044480) << true;
        QTest::newRow("1M, one byte more") << "1M" << qint64(1044481) << false;
        QTest::newRow("default 1MByte, one byte more") << QString() << qint64(1044481) << false;
        QTest::newRow("2M, largest image") << "2M" << qint64(2093056) << true;
        QTest::newRow("2M, one byte more") << "2M" << qint64(2093057) << false;
        QTest::newRow("4M, empty image") << "4M" << qint64(0) << true;
        QTest::newRow("M1, empty image") << "M1" << qint64(0) << false;
        QTest::newRow("0M, empty image") << "0M" << qint64(0) << false;
        QTest::newRow("4M, 5 GiB sparse file") << "4M" << (qint64(5) << 30) << false;
    }

    void imageSizeAgainstFlashSize()
    {
        QFETCH(QString, flashSize);
        QFETCH(qint64, imageSize);
        QFETCH(bool, accepted);
        const QString path = otherDir.filePath("sized.bin");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QVERIFY(file.resize(imageSize));
        file.close();

        QStringList arguments { "--p", absentPort, "--file", path };
        if (!flashSize.isEmpty())
            arguments << "--size" << flashSize;
        const Result r = run(arguments);
        QFile::remove(path);
        if (accepted) {
            QCOMPARE(r.status, 2);
            QCOMPARE(r.out, QByteArray("================Start===============\nOpen port...\n"));
            QCOMPARE(r.err, WorkerHarness::openRefusal(absentPort).toUtf8() + "\n");
        } else {
            const QByteArray error = "Error: the size of file: " + path.toUtf8() + " is out of range!";
            QCOMPARE(r.status, 255);
            QCOMPARE(r.out, QByteArray());
            QCOMPARE(r.err, error + "\n");
            QCOMPARE(runLog(), error + "\r\n");
        }
    }

    void imageThatCannotBeOpened_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("missing file") << otherDir.filePath("missing.bin");
        QTest::newRow("a folder") << otherDir.path();
        QTest::newRow("non-ASCII name, printed as typed") << otherDir.filePath(QString::fromUtf8("Bild_äöü_圖.bin"));
        QTest::newRow("relative, beside the caller only") << "only_in_caller_dir.bin";
    }

    void imageThatCannotBeOpened()
    {
        QFETCH(QString, path);
        QVERIFY(writeFile(otherDir.filePath("only_in_caller_dir.bin"), "x"));
        const Result r = run({ "--p", absentPort, "--file", path });
        const QByteArray error = "Error: can't open " + path.toUtf8();
        QCOMPARE(r.status, 255);
        QCOMPARE(r.out, QByteArray());
        QCOMPARE(r.err, error + "\n");
        QCOMPARE(runLog(), error + "\r\n");
    }

    void relativeFileIsFoundBesideTheProgram()
    {
        const Result r = run({ "--p", absentPort, "--file", "image.bin" });
        QCOMPARE(r.status, 2);
        QVERIFY2(r.out.startsWith("================Start===============\n"), r.out);
    }

    void repeatedOptionUsesTheLastValue()
    {
        const Result r = run({ "--p", "/dev/vyn-first", "--p", absentPort, "--file", image });
        QCOMPARE(r.status, 2);
        const QByteArray refusal = WorkerHarness::openRefusal(absentPort).toUtf8();
        QCOMPARE(r.err, refusal + "\n");
        QCOMPARE(runLog(), "Open port...\r\n" + refusal + "\r\n");
    }

    void fullDownload()
    {
        VirtualChip chip;
        QVERIFY(chip.start());
        const Result r = run({ "--p", chip.portName(), "--file", image, "--b", "921600" });
        QCOMPARE(r.status, 0);
        QCOMPARE(r.err, QByteArray());

        QList<QByteArray> lines = r.out.split('\n');
        QCOMPARE(lines.takeLast(), QByteArray());
        QVERIFY2(QRegularExpression(R"(^Elapsed: \d+ms!$)").match(QString::fromLatin1(lines.last())).hasMatch(),
            lines.last());
        const QByteArray port = chip.portName().toUtf8();
        const QList<QByteArray> expected { "================Start===============", "Open port...",
            "==============================", "Running...", "Waiting for plug in...",
            "Find a device,enter boot successed!", "Prepare partiton...", "flash 1!", "flash 5 2 4096 0 1!", "flash 3!",
            "flash 6 0 1 vyn6630m 0x1000 0x1000 0x1000!", "mw 40109020 0x2356594E!", "flash 3!", "md 4!",
            "mw 40011004 a8b4!", "mw 40011024 5b10!", "mw 40011000 1!", "Send XModem...", "loadx!",
            "[Send Packet: 1/2]", "[Send Packet: 2/2]", "Verify...", "checksum 1 18001000 2000!", "Verify done.",
            "Download successed!", "Close port " + port, lines.last() };
        QCOMPARE(lines, expected);
        QCOMPARE(runLog(), crlfLines(lines.mid(1)));
        QCOMPARE(chip.flash(0x1000, 2000), readFile(image));
    }

    // The MAC options: settings that cannot work and a used-up pool are refused
    // at the start in one line, and no chip hears a byte; a chip gets its
    // address, logged as new.
    void macAddressesFromAPool()
    {
        VirtualChip chip;
        QVERIFY(chip.start());
        const QString pool = "00:1A:2B:00:00:10-00:1A:2B:00:00:10";
        const QStringList job { "--p", chip.portName(), "--file", image };
        const struct {
            QStringList options;
            int status;
            QByteArray line;
        } refused[] = {
            { { "--mac-pool", "00:1A:2B:00:00:10" }, 1, "Error: MAC addresses need both --mac-pool and --mac-at!\n" },
            { { "--mac-pool", "00:1A:2B:00:00:10", "--mac-at", "0xFF000" }, 1,
                "Error: the MAC pool \"00:1A:2B:00:00:10\" is not FIRST-LAST, such as "
                "02:00:00:00:00:00-02:00:00:00:0F:FF!\n" },
            { { "--mac-pool", pool, "--mac-at", "0x100000" }, 1,
                "Error: the MAC address at 0x100000 lies beyond the flash of 1048576 bytes!\n" },
        };
        for (const auto& r : refused) {
            const Result result = run(job + r.options);
            QCOMPARE(result.status, r.status);
            QCOMPARE(result.err, r.line);
            QCOMPARE(result.out, QByteArray());
        }
        const QStringList macOptions { "--mac-pool", pool, "--mac-at", "0xFF000", "--mac-format", "text" };
        const Result first = run(job + macOptions);
        QCOMPARE(first.status, 0);
        QVERIFY2(first.out.contains("\nMAC: 00:1A:2B:00:00:10 (new)\n"), first.out);
        QCOMPARE(chip.flash(0xFF000, 12), QByteArray("001A2B000010"));

        VirtualChip next;
        QVERIFY(next.start());
        const Result usedUp = run(QStringList { "--p", next.portName(), "--file", image } + macOptions);
        QCOMPARE(usedUp.status, 2);
        QCOMPARE(usedUp.err, "Error: the MAC pool " + pool.toUtf8() + " is used up!\n");
        QCOMPARE(usedUp.out, QByteArray());
        QCOMPARE(next.knockCount(), 0);
    }

    // TERVASK_TRACE while another process holds the file named: the program writes one of its own.
    void traceGoesToAFileOfItsOwn()
    {
        VirtualChip chip;
        QVERIFY(chip.start());
        const QString requested = otherDir.filePath("trace.log");
        TraceFileClaim held;
        QVERIFY(held.claim(requested, "ttyUSB0"));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("TERVASK_TRACE", requested);
        const Result r = run({ "--p", chip.portName(), "--file", image }, environment);
        QCOMPARE(r.status, 0);

        QVERIFY(readFile(requested).isEmpty() || readFile(requested) == "<missing>");
        const QByteArray trace = readFile(otherDir.filePath("trace-" + QFileInfo(chip.portName()).fileName() + ".log"));
        QVERIFY2(trace.startsWith("# tervaskcmd (pid "), trace.left(200));
        QVERIFY2(trace.contains(" > 6c 6f 61 64 78 0d "), trace.left(2000));
        QVERIFY(trace.contains(" > STX block 1, 1024 bytes, CRC 0x"));
        QVERIFY(trace.contains(" > STX block 2, 1024 bytes, CRC 0x"));
        QVERIFY(!trace.contains(" > STX block 3,"));
        QVERIFY(trace.indexOf(" # Verify...\n") > trace.indexOf(" > STX block 2,"));
        QVERIFY(trace.indexOf(" # Download successed!\n") > trace.indexOf(" # Verify...\n"));
        // Everything is in the file when the program has ended, up to its last line.
        QVERIFY2(QRegularExpression(R"( # Elapsed: \d+ms!\n$)").match(QString::fromLatin1(trace)).hasMatch(),
            trace.right(200));
    }

    // A relative TERVASK_TRACE goes under logs/, and a trace past its bound
    // continues in a new file with only the one before it kept.
    void traceHasABound()
    {
        VirtualChip chip;
        QVERIFY(chip.start());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("TERVASK_TRACE", "bounded.log");
        environment.insert("TERVASK_TRACE_MAX", "2K");
        const Result r = run({ "--p", chip.portName(), "--file", image }, environment);
        QCOMPARE(r.status, 0);

        const QDir logs(programDir.filePath("logs"));
        QCOMPARE(
            logs.entryList({ "bounded*" }, QDir::Files, QDir::Name), QStringList({ "bounded.log", "bounded.log.1" }));
        const QByteArray latest = readFile(logs.filePath("bounded.log"));
        const QByteArray older = readFile(logs.filePath("bounded.log.1"));
        for (const QByteArray& part : { latest, older })
            QVERIFY2(part.size() < 2000 + 200, qPrintable(QString::number(part.size())));
        QVERIFY2(latest.startsWith("# tervaskcmd (pid ")
                && latest.contains("continued; the trace before this line is in bounded.log.1"),
            latest.left(200));
        QVERIFY2(QRegularExpression(R"( # Elapsed: \d+ms!\n$)").match(QString::fromLatin1(latest)).hasMatch(),
            latest.right(200));
    }

    // The speed and address given on the command line are the ones on the
    // line: a 460800 chip is flashed with --b 460800, at the address --addr
    // names, and not at the default speed, where every byte arrives garbled.
    void speedAndAddressReachTheChip_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("hostBaud");
        QTest::addColumn<int>("imageAt"); // -1: nowhere
        QTest::newRow("--b 460800") << QStringList { "--b", "460800" } << 0 << 460800 << 0x1000;
        QTest::newRow("--b 460800 --addr 0x20000")
            << QStringList { "--b", "460800", "--addr", "0x20000" } << 0 << 460800 << 0x20000;
        QTest::newRow("default speed") << QStringList() << 2 << 921600 << -1;
    }

    void speedAndAddressReachTheChip()
    {
        QFETCH(QStringList, options);
        QFETCH(int, status);
        QFETCH(int, hostBaud);
        QFETCH(int, imageAt);
        VirtualChip chip;
        QVERIFY(chip.start());
        chip.configure([](ChipKnobs& k) {
            k.baud = 460800;
            k.strictLineEnds = true;
        });
        const Result r = run(QStringList { "--p", chip.portName(), "--file", image } + options);
        QCOMPARE(r.status, status);
        QCOMPARE(chip.hostLine().baud, hostBaud);
        const QByteArray bytes = readFile(image);
        const QByteArray blank(bytes.size(), char(0xFF));
        bool mismatch = false;
        for (const ChipEvent& event : chip.events())
            mismatch = mismatch || event.kind == ChipEvent::LineMismatch;
        if (imageAt < 0) {
            QVERIFY2(r.err.contains("Error: Not find a device!"), r.err);
            QVERIFY(mismatch);
            QCOMPARE(chip.commands(), QList<QByteArray>());
            QCOMPARE(chip.flash(0x1000, int(bytes.size())), blank);
        } else {
            QVERIFY2(r.out.contains("Download successed!"), r.out + r.err);
            QVERIFY(!mismatch);
            QCOMPARE(chip.flash(imageAt, int(bytes.size())), bytes);
            if (imageAt != 0x1000)
                QCOMPARE(chip.flash(0x1000, int(bytes.size())), blank);
        }
    }

    // A station's worth of virtual chips from one vynsim: each on its own
    // port behind its own numbered link, each taking a download of its own
    // while the others are busy.
    void vynsimServesIndependentChips()
    {
        QProcess sim;
        const auto stopSim = qScopeGuard([&sim] {
            sim.terminate();
            sim.waitForFinished(10000);
        });
        const QByteArray link = otherDir.filePath("ttyVYN").toUtf8();
        sim.start(VYNSIM_PATH, { "--count", "3", "--link", link, "--baud", "921600", "--strict" });
        QByteArray listed;
        QVERIFY2(waitForOutput(sim, listed, link + "2\n", 10000), listed);
        QCOMPARE(listed, link + "0\n" + link + "1\n" + link + "2\n");

        std::array<QProcess, 3> downloads;
        for (int i = 0; i < 3; ++i)
            start(downloads[size_t(i)], { "--p", link + QByteArray::number(i), "--file", image });
        for (QProcess& download : downloads) {
            QVERIFY(download.waitForFinished(60000));
            const QByteArray out = download.readAllStandardOutput();
            QCOMPARE(download.exitCode(), 0);
            QVERIFY2(out.contains("Download successed!"), out);
        }
        sim.terminate();
        QVERIFY(sim.waitForFinished(10000));
        QCOMPARE(sim.exitCode(), 0);
        QVERIFY(!QFileInfo::exists(link + "0"));
        QVERIFY(!QFileInfo::exists(link + "2"));
    }

    void verifyFailureEndsWithStatusTwo()
    {
        VirtualChip chip;
        QVERIFY(chip.start());
        chip.configure([](ChipKnobs& k) { k.wrongChecksum = true; });
        const Result r = run({ "--p", chip.portName(), "--file", image });
        QCOMPARE(r.status, 2);
        QList<QByteArray> lines = r.out.split('\n');
        QCOMPARE(lines.takeLast(), QByteArray());
        QVERIFY2(lines.size() > 4, r.out);
        QVERIFY2(lines.at(lines.size() - 4).startsWith("Error : verify failed! The correct checksum is: 0x"), r.out);
        QCOMPARE(lines.at(lines.size() - 3), QByteArray("Download failed!"));
        QCOMPARE(lines.at(lines.size() - 2), "Close port " + chip.portName().toUtf8());
        QVERIFY(lines.last().startsWith("Elapsed: "));
        QVERIFY(!r.out.contains("successed!\n") || r.out.contains("enter boot successed!"));
        QVERIFY(!r.out.contains("Download successed!"));
    }

    void ctrlCDuringTheTransferStopsCleanly()
    {
        VirtualChip chip;
        QVERIFY(chip.start());
        chip.configure([](ChipKnobs& k) { k.baud = 921600; }); // 128 packets take about a second and a half
        const QString bigImage = otherDir.filePath("big.bin");
        QVERIFY(writeFile(bigImage, randomBytes(128 * 1024, 128 * 1024)));

        QProcess process;
        QByteArray out;
        start(process, { "--p", chip.portName(), "--file", bigImage });
        QVERIFY2(waitForOutput(process, out, "[Send Packet: 10/128]", 20000), out + process.readAllStandardError());
        ::kill(pid_t(process.processId()), SIGINT);
        QVERIFY(process.waitForFinished(20000));
        out += process.readAllStandardOutput();

        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 2);
        const QList<QByteArray> lines = out.split('\n');
        const qsizetype stop = lines.indexOf("Stop ...");
        QVERIFY2(stop > 0, out);
        QCOMPARE(lines.mid(stop, 3), QList<QByteArray>({ "Stop ...", "Cancel", "Download failed!" }));
        QCOMPARE(lines.at(stop + 3), "Close port " + chip.portName().toUtf8());
        QVERIFY(lines.at(stop + 4).startsWith("Elapsed: "));
        QVERIFY(runLog().endsWith(lines.at(stop + 4) + "\r\n"));
        QVERIFY(runLog().contains("Stop ...\r\nCancel\r\n"));
        QVERIFY(chip.flash(0x1000, 128 * 1024) != readFile(bigImage));
    }

    void loopDownloadsEachNewChipUntilCtrlC()
    {
        VirtualChip chip;
        QVERIFY(chip.start());
        QProcess process;
        QByteArray out;
        start(process, { "--loop", "--p", chip.portName(), "--file", image });
        QVERIFY(waitForOutput(process, out, "The downloading is successed!", 20000));

        chip.unplug();
        const QByteArray blank(2000, '\xff');
        chip.fillFlash(0x1000, blank);
        QVERIFY(waitForOutput(process, out, "Waiting for plug in...\n", 20000, out.size()));
        const qsizetype secondChip = out.size();
        QCOMPARE(chip.flash(0x1000, 2000), blank);
        chip.plug();
        QVERIFY(waitForOutput(process, out, "The downloading is successed!", 20000, secondChip));
        QCOMPARE(chip.flash(0x1000, 2000), readFile(image));

        ::kill(pid_t(process.processId()), SIGINT);
        QVERIFY(process.waitForFinished(20000));
        out += process.readAllStandardOutput();
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 2);
        QCOMPARE(out.count("The downloading is successed!"), 2);
        QCOMPARE(out.count("Enter boot failed,maybe no device!"), 1);
        // Depending on where the stop finds the loop, "Stop to wait device!" may come before the last line.
        QVERIFY2(out.indexOf("Stop ...\n") > out.lastIndexOf("The downloading is successed!"), out.right(200));
        QVERIFY2(out.endsWith("\nThe downloading is canceled!\nClose port " + chip.portName().toUtf8() + "\n"),
            out.right(200));

        // The run log has every line, in order, whichever stream it was printed on.
        const QByteArray log = runLog();
        QVERIFY(log.endsWith("The downloading is canceled!\r\nClose port " + chip.portName().toUtf8() + "\r\n"));
        QCOMPARE(log.count("The downloading is successed!\r\n"), 2);
        QCOMPARE(log.count("Error: Not find a device!\r\n"), 1);
        QCOMPARE(log.count("\r\n"), out.count('\n') - 1 + process.readAllStandardError().count('\n'));
    }

    // A record that cannot be stored costs the job nothing: it passes, and the
    // program says so once. Root writes into any folder, so root runs the
    // program as nobody.
    void jobPassesWhenItsRecordCannotBeStored()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const QString copy = folder.filePath("tervaskcmd");
        QVERIFY(QFile::copy(program, copy));
        QVERIFY(QFile::copy(image, folder.filePath("image.bin")));
        const QFile::Permissions all = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
            | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
        QVERIFY(QFile::setPermissions(folder.path(), all));
        QVERIFY(QFile::setPermissions(folder.filePath("image.bin"), all));
        QVERIFY(QDir(folder.path()).mkdir("records"));
        QVERIFY(QFile::setPermissions(
            folder.filePath("records"), all & ~(QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther)));
        VirtualChip chip;
        QVERIFY(chip.start());
        QStringList command { copy, "--p", chip.portName(), "--file", "image.bin" };
        if (geteuid() == 0) {
            QVERIFY(QFile::setPermissions(chip.terminalName(), all));
            command = QStringList { "--reuid=nobody", "--regid=nogroup", "--clear-groups", "--" } + command;
            command.prepend("setpriv");
        }
        QProcess process;
        process.start(command.takeFirst(), command);
        QVERIFY(process.waitForFinished(60000));
        const QByteArray out = process.readAllStandardOutput();
        const QByteArray err = process.readAllStandardError();
        QVERIFY2(process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0, out + err);
        QVERIFY2(out.contains("\nDownload successed!\n"), out);
        QCOMPARE(err.count('\n'), 1);
        QVERIFY2(err.startsWith("Warning: production record not stored: ") && err.contains("production.sqlite"), err);
        QCOMPARE(chip.flash(0x1000, 2000), readFile(image));
    }

private:
    void start(QProcess& process, const QStringList& arguments,
        const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
    {
        process.setWorkingDirectory(otherDir.path());
        process.setProcessEnvironment(environment);
        process.start(program, arguments);
    }

    Result run(
        const QStringList& arguments, const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
    {
        QProcess process;
        start(process, arguments, environment);
        Result r;
        if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
            return r;
        r.status = process.exitCode();
        r.out = process.readAllStandardOutput();
        r.err = process.readAllStandardError();
        return r;
    }

    bool waitForOutput(QProcess& process, QByteArray& out, const QByteArray& text, int timeoutMs, qsizetype from = 0)
    {
        QDeadlineTimer deadline(timeoutMs);
        while (!deadline.hasExpired()) {
            out += process.readAllStandardOutput();
            if (out.indexOf(text, from) >= 0)
                return true;
            if (process.state() == QProcess::NotRunning)
                return false;
            process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
        }
        return false;
    }

    QStringList runLogs() const { return QDir(programDir.filePath("logs")).entryList({ "*.log" }, QDir::Files); }

    QByteArray runLog() const
    {
        const QStringList logs = runLogs();
        return logs.size() == 1 ? readFile(programDir.filePath("logs/" + logs.first()))
                                : "<" + logs.join(',').toUtf8() + ">";
    }

    QTemporaryDir programDir;
    QTemporaryDir otherDir;
    QString program;
    QString image;
};

QTEST_GUILESS_MAIN(TervaskCmdTest)
#include "tst_tervaskcmd.moc"
