// Eight production stations at once: eight console downloaders, started
// together from one program folder, each on its own virtual chip. All must
// succeed, each must keep a run log of its own, complete, and the one record
// file they share must hold every attempt, complete.
#include "ProgramFiles.h"
#include "VirtualChip.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <memory>
#include <zlib.h>

namespace {

constexpr int stations = 8;

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The run log's lines without their CR LF.
QList<QByteArray> logLines(const QByteArray& log)
{
    QList<QByteArray> lines = log.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QByteArray& line : lines)
        line.chop(line.endsWith('\r') ? 1 : 0);
    return lines;
}

struct RecordRow {
    QString station;
    QString result;
    QString finishedAt;
    QString imageCrc32;
    qint64 imageSize = 0;
    qint64 transferMs = 0;
};

// The rows of the programs' record file, read with a connection of the test's own.
QList<RecordRow> recordRows(const QString& programFolder)
{
    QList<RecordRow> rows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "records");
        db.setDatabaseName(QDir(programFolder).filePath("records/production.sqlite"));
        QSqlQuery query(db);
        if (db.open()
            && query.exec(
                "SELECT station, result, finished_at, image_crc32, image_size, transfer_ms FROM chip_attempts")) {
            while (query.next())
                rows << RecordRow { query.value(0).toString(), query.value(1).toString(), query.value(2).toString(),
                    query.value(3).toString(), query.value(4).toLongLong(), query.value(5).toLongLong() };
        }
    }
    QSqlDatabase::removeDatabase("records");
    return rows;
}

bool copyProgram(const QString& folder)
{
    const QString program = QDir(folder).filePath("tervaskcmd");
    return QFile::copy(TERVASKCMD_PATH, program)
        && QFile::setPermissions(program, QFile::permissions(program) | QFile::ExeOwner);
}

} // namespace

class StationsTest : public QObject {
    Q_OBJECT

private slots:
    void eightStationsAtOnce()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const QString program = folder.filePath("tervaskcmd");
        QVERIFY(copyProgram(folder.path()));
        const QString imagePath = folder.filePath("image.bin");
        const QByteArray image = randomBytes(64 * 1024 + 300, 77);
        {
            QFile file(imagePath);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QCOMPARE(file.write(image), qint64(image.size()));
        }

        std::vector<std::unique_ptr<VirtualChip>> chips;
        std::vector<std::unique_ptr<QProcess>> processes;
        for (int i = 0; i < stations; ++i) {
            chips.push_back(std::make_unique<VirtualChip>());
            QVERIFY(chips.back()->start());
            chips.back()->configure([](ChipKnobs& k) { k.baud = 921600; });
        }
        for (int i = 0; i < stations; ++i) {
            processes.push_back(std::make_unique<QProcess>());
            processes.back()->start(program, { "--p", chips[i]->portName(), "--file", imagePath });
        }
        for (int i = 0; i < stations; ++i) {
            QProcess& process = *processes[i];
            QVERIFY2(process.waitForFinished(120000), qPrintable(QString("station %1 hangs").arg(i)));
            const QByteArray out = process.readAllStandardOutput();
            const QByteArray err = process.readAllStandardError();
            QVERIFY2(process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0, out + err);
            QVERIFY2(out.contains("\nDownload successed!\n"), out);
            QCOMPARE(err, QByteArray());
            QCOMPARE(chips[i]->flash(0x1000, image.size()), image);
        }

        // One run log per process, however many started in the same second.
        const QStringList logs = QDir(folder.filePath("logs")).entryList(QDir::Files, QDir::Name);
        QCOMPARE(logs.size(), stations);
        QSet<QString> portsLogged;
        QMap<QString, int> perSecond;
        QMap<QString, int> plainPerSecond;
        const QRegularExpression pattern(R"(^cmd_(\d{4}(?:-\d\d){5})(_\d+)?\.log$)");
        for (const QString& name : logs) {
            const QRegularExpressionMatch match = pattern.match(name);
            QVERIFY2(match.hasMatch(), qPrintable(name));
            ++perSecond[match.captured(1)];
            plainPerSecond[match.captured(1)] += match.captured(2).isEmpty();
            const QList<QByteArray> lines = logLines(readFile(folder.filePath("logs/" + name)));
            QVERIFY2(lines.size() > 10, qPrintable(name));
            QCOMPARE(lines.first(), QByteArray("Open port..."));
            QCOMPARE(lines.count("Download successed!"), 1);
            QCOMPARE(lines.count("Open port..."), 1);
            QVERIFY(lines.last().startsWith("Elapsed: "));
            const QByteArray close = lines.at(lines.size() - 2);
            QVERIFY2(close.startsWith("Close port "), close);
            portsLogged.insert(QString::fromLocal8Bit(close.mid(11)));
        }
        QSet<QString> ports;
        for (const auto& chip : chips)
            ports.insert(chip->portName());
        QCOMPARE(portsLogged, ports);
        // The first process of a second takes the plain name, the others add their pid.
        for (auto it = perSecond.cbegin(); it != perSecond.cend(); ++it)
            QCOMPARE(plainPerSecond.value(it.key()), 1);
        QStringList seconds;
        for (auto it = perSecond.cbegin(); it != perSecond.cend(); ++it)
            seconds << QString("%1 started at %2").arg(it.value()).arg(it.key());
        qInfo().noquote() << logs.size() << "run logs;" << seconds.join(", ");

        // One finished row per process, none lost to another's lock.
        const QString crc = QString("%1").arg(
            crc32(0, reinterpret_cast<const Bytef*>(image.constData()), uInt(image.size())), 8, 16, QChar('0'));
        const QList<RecordRow> rows = recordRows(folder.path());
        QCOMPARE(rows.size(), stations);
        QSet<QString> portsRecorded;
        for (const RecordRow& row : rows) {
            QCOMPARE(row.result, QString("pass"));
            QVERIFY(!row.finishedAt.isEmpty());
            QCOMPARE(row.imageCrc32, crc);
            QCOMPARE(row.imageSize, qint64(image.size()));
            QVERIFY(row.transferMs > 0);
            portsRecorded.insert(row.station);
        }
        QCOMPARE(portsRecorded, ports);
    }

    // A program killed mid-download leaves its attempt visible as unfinished.
    void killedStationLeavesARunningRow()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        QVERIFY(copyProgram(folder.path()));
        const QString imagePath = folder.filePath("image.bin");
        {
            QFile file(imagePath);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.write(randomBytes(64 * 1024, 5)) == 64 * 1024);
        }
        VirtualChip chip;
        QVERIFY(chip.start());
        chip.configure([](ChipKnobs& k) { k.baud = 115200; }); // about six seconds of transfer
        QProcess process;
        process.start(folder.filePath("tervaskcmd"), { "--p", chip.portName(), "--file", imagePath, "--b", "115200" });
        QTRY_VERIFY_WITH_TIMEOUT(recordRows(folder.path()).size() == 1, 20000);
        const auto packetWritten = [&chip] {
            const QList<ChipEvent> events = chip.events();
            return std::any_of(
                events.cbegin(), events.cend(), [](const ChipEvent& e) { return e.kind == ChipEvent::Packet; });
        };
        QTRY_VERIFY_WITH_TIMEOUT(packetWritten(), 20000);
        QVERIFY2(process.state() == QProcess::Running, "the download must still run");
        process.kill();
        QVERIFY(process.waitForFinished(10000));

        const QList<RecordRow> rows = recordRows(folder.path());
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows.first().result, QString("running"));
        QCOMPARE(rows.first().finishedAt, QString());
        QCOMPARE(rows.first().station, chip.portName());
    }
};

QTEST_GUILESS_MAIN(StationsTest)
#include "tst_stations.moc"
