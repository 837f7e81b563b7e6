// Eight production stations at once: eight console downloaders, started
// together from one program folder, each on its own virtual chip. All must
// succeed, and each must keep a run log of its own, complete.
#include "VirtualChip.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

constexpr int stations = 8;

QByteArray randomImage(int size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(seed);
    for (char& byte : bytes)
        byte = char(generator.bounded(256));
    return bytes;
}

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

} // namespace

class StationsTest : public QObject {
    Q_OBJECT

private slots:
    void eightStationsAtOnce()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const QString program = folder.filePath("tervaskcmd");
        QVERIFY(QFile::copy(TERVASKCMD_PATH, program));
        QVERIFY(QFile::setPermissions(program, QFile::permissions(program) | QFile::ExeOwner));
        const QString imagePath = folder.filePath("image.bin");
        const QByteArray image = randomImage(64 * 1024 + 300, 77);
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
    }
};

QTEST_GUILESS_MAIN(StationsTest)
#include "tst_stations.moc"
