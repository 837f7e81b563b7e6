// bench_records: what keeping production records costs. A job's side: the
// time the recorder takes on the worker's thread per attempt, the time a
// program waits for its last rows when it ends, and the XMODEM phase with and
// without a recorder. The report's side: tervaskrecords yield over a local
// file of a million rows.
#include "BenchImage.h"
#include "DownloadWorker.h"
#include "ProductionRecorder.h"
#include "RecordSchema.h"
#include "RecordStore.h"
#include "VirtualChip.h"
#include "WorkerSettings.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <QUuid>

#include <algorithm>
#include <cstdio>

namespace {

RecordContext benchContext(const QString& station)
{
    RecordContext context;
    context.host = QStringLiteral("bench");
    context.program = QStringLiteral("bench_records");
    context.station = station;
    context.imagePath = QStringLiteral("/images/fw.bin");
    context.imageSize = 262144;
    context.imageCrc32 = QStringLiteral("1a2b3c4d");
    context.baud = 921600;
    return context;
}

AttemptReport passReport(const QDateTime& started)
{
    AttemptReport report;
    report.result = AttemptReport::Result::Pass;
    report.startedAt = started;
    report.finishedAt = QDateTime::currentDateTimeUtc();
    report.transferMs = 3000;
    return report;
}

// Microseconds per attempt on the caller's thread (the worker's, in tervaskcmd),
// and milliseconds per attempt for the writer's thread to store both rows.
void recorderCost(const QString& folder, int attempts)
{
    RecordLocation location;
    location.sqlitePath = folder + QStringLiteral("/cost/production.sqlite");
    ProductionRecorder recorder(location);
    recorder.setContext(benchContext(QStringLiteral("ttyBENCH")));
    QElapsedTimer callerClock;
    qint64 callerNs = 0;
    QElapsedTimer writerClock;
    writerClock.start();
    for (int i = 0; i < attempts; ++i) {
        const QDateTime started = QDateTime::currentDateTimeUtc();
        callerClock.start();
        recorder.attemptStarted(started);
        recorder.attemptFinished(passReport(started));
        callerNs += callerClock.nsecsElapsed();
    }
    recorder.finish();
    const double writerMs = double(writerClock.nsecsElapsed()) / 1e6 / attempts;
    std::printf("| on the worker's thread, per attempt | %.1f µs |\n", double(callerNs) / 1e3 / attempts);
    std::printf("| writer's thread, both rows of an attempt (off the job's path) | %.2f ms |\n", writerMs);
}

// What keeping a committed row through a power cut costs: both rows of an
// attempt written to the local file and synced, one attempt at a time.
void durableCost(const QString& folder, int attempts)
{
    RecordStore store;
    if (!store.openLocal(folder + QStringLiteral("/durable/production.sqlite"), RecordTiming())) {
        std::fprintf(stderr, "cannot open the record file: %s\n", qPrintable(store.lastError()));
        return;
    }
    QList<double> costs;
    for (int i = 0; i < attempts; ++i) {
        const QDateTime started = QDateTime::currentDateTimeUtc();
        AttemptRow row = AttemptRow::started(benchContext(QStringLiteral("ttyBENCH")), started);
        QElapsedTimer clock;
        clock.start();
        store.store(row);
        row.finish(passReport(started));
        store.store(row);
        costs << double(clock.nsecsElapsed()) / 1e6;
    }
    std::sort(costs.begin(), costs.end());
    std::printf("| the local file, both rows of an attempt synced to disk, median (max) of %d | %.2f ms (%.2f ms) |\n",
        attempts, costs.at(attempts / 2), costs.last());
}

// What a program pays: starting the recorder (its thread opens the file
// while the job starts), and at the end the wait for the last rows.
void exitCost(const QString& folder, int runs)
{
    QList<double> starts;
    QList<double> ends;
    for (int i = 0; i < runs; ++i) {
        RecordLocation location;
        location.sqlitePath = folder + QStringLiteral("/exit/production.sqlite");
        QElapsedTimer clock;
        clock.start();
        ProductionRecorder recorder(location);
        recorder.setContext(benchContext(QStringLiteral("ttyBENCH")));
        starts << double(clock.nsecsElapsed()) / 1e6;
        const QDateTime started = QDateTime::currentDateTimeUtc();
        recorder.attemptStarted(started);
        QThread::msleep(300); // the shortest job is longer than this
        recorder.attemptFinished(passReport(started));
        clock.restart();
        recorder.finish();
        ends << double(clock.nsecsElapsed()) / 1e6;
    }
    std::sort(starts.begin(), starts.end());
    std::sort(ends.begin(), ends.end());
    std::printf("| starting the recorder, on the program's thread, median (max) of %d | %.2f ms (%.2f ms) |\n", runs,
        starts.at(runs / 2), starts.last());
    std::printf("| waiting for the last row when the program ends, median (max) of %d | %.2f ms (%.2f ms) |\n", runs,
        ends.at(runs / 2), ends.last());
}

// The chip's own time stamps: "loadx" accepted to EOT answered.
double xmodemSeconds(const VirtualChip& chip)
{
    qint64 start = -1;
    qint64 end = -1;
    for (const ChipEvent& event : chip.events()) {
        if (event.kind == ChipEvent::TransferStart)
            start = event.atUs;
        else if (event.kind == ChipEvent::TransferEnd)
            end = event.atUs;
    }
    return start >= 0 && end > start ? double(end - start) / 1e6 : -1;
}

double oneJob(const QString& folder, const QByteArray& image, bool recording)
{
    VirtualChip chip;
    chip.configure([](ChipKnobs& k) { k.baud = 921600; });
    if (!chip.start())
        return -1;
    WorkerSettings settings(0);
    settings.portName = chip.portName();
    settings.image = image;
    settings.packetCount = BenchImage::packetCount(image);
    settings.imageCrc = BenchImage::crc(image);
    DownloadWorker worker;
    worker.settings = &settings;
    RecordLocation location;
    location.sqlitePath = folder + QStringLiteral("/jobs/production.sqlite");
    std::unique_ptr<ProductionRecorder> recorder;
    if (recording) {
        recorder = std::make_unique<ProductionRecorder>(location);
        recorder->setContext(RecordContext::fromSettings(QStringLiteral("bench_records"), settings, QString()));
        recorder->watch(&worker);
    }
    worker.start(true);
    return xmodemSeconds(chip);
}

void transferCost(const QString& folder, int imageBytes, int runs)
{
    const QByteArray image = BenchImage::make(imageBytes);
    double best[2] = { 1e9, 1e9 };
    for (int i = 0; i < runs; ++i) {
        for (int recording = 0; recording < 2; ++recording) {
            const double seconds = oneJob(folder, image, recording == 1);
            if (seconds > 0)
                best[recording] = std::min(best[recording], seconds);
        }
    }
    std::printf("| XMODEM phase of %d KiB at 921600 baud, best of %d: without / with a recorder | %.3f s / %.3f s "
                "(ratio %.4f) |\n",
        imageBytes / 1024, runs, best[0], best[1], best[1] / best[0]);
}

// A million attempts over 60 days: 16 stations, 4 images, 5 % failures with 6 reasons.
bool fillRecords(const QString& path, int rows)
{
    RecordStore store;
    if (!store.openLocal(path, RecordTiming()))
        return false;
    QSqlDatabase& db = store.database();
    QStringList marks;
    for (int i = 0; i < AttemptRow::columns().size(); ++i)
        marks << QStringLiteral("?");
    QSqlQuery insert(db);
    insert.prepare(QStringLiteral("INSERT INTO chip_attempts (%1) VALUES (%2)")
                       .arg(AttemptRow::columns().join(QStringLiteral(", ")), marks.join(QStringLiteral(", "))));
    QRandomGenerator random(1);
    const QDateTime first = QDateTime::currentDateTimeUtc().addDays(-60);
    const qint64 spanMs = qint64(60) * 24 * 3600 * 1000;
    db.transaction();
    for (int i = 0; i < rows; ++i) {
        AttemptRow row;
        row.id = QUuid::createUuid().toString(QUuid::WithoutBraces);
        row.startedAt = first.addMSecs(spanMs / rows * i);
        row.finishedAt = row.startedAt.addMSecs(9000);
        row.context = benchContext(QStringLiteral("ttyUSB%1").arg(random.bounded(16)));
        row.context.imageCrc32 = QStringLiteral("0000000%1").arg(random.bounded(4));
        const bool failed = random.bounded(100) < 5;
        row.result = failed ? QStringLiteral("fail") : QStringLiteral("pass");
        if (failed) {
            row.failedStep = QStringLiteral("verify");
            row.reason = QStringLiteral("Error : reason %1").arg(random.bounded(6));
        }
        for (const QVariant& value : row.values())
            insert.addBindValue(value);
        if (!insert.exec())
            return false;
    }
    if (!db.commit())
        return false;
    // Programs add rows one at a time and SQLite folds its journal into the
    // file every thousand pages; one bulk transaction leaves it all in the journal.
    return QSqlQuery(db).exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
}

void yieldTimes(const QString& folder, int rows)
{
    QElapsedTimer clock;
    clock.start();
    if (!fillRecords(folder + QStringLiteral("/records/production.sqlite"), rows)) {
        std::fprintf(stderr, "cannot fill the record file\n");
        return;
    }
    std::printf("\n%d rows written in %.1f s.\n\n", rows, double(clock.elapsed()) / 1000.0);
    QFile::copy(QStringLiteral(TERVASKRECORDS_PATH), folder + QStringLiteral("/tervaskrecords"));
    std::printf("| tervaskrecords | rows in the file | wall s |\n|---|---|---|\n");
    const QList<QStringList> commands { { "yield" }, { "yield", "--by", "hour" }, { "yield", "--by", "day" },
        { "yield", "--by", "station" }, { "yield", "--by", "image" }, { "yield", "--station", "ttyUSB3" },
        { "yield", "--by", "hour", "--since", "yesterday" } };
    for (const QStringList& arguments : commands) {
        QProcess process;
        clock.restart();
        process.start(folder + QStringLiteral("/tervaskrecords"), arguments);
        if (!process.waitForFinished(120000) || process.exitCode() != 0) {
            std::fprintf(stderr, "%s failed\n", qPrintable(arguments.join(' ')));
            continue;
        }
        std::printf("| %s | %d | %.3f |\n", qPrintable(arguments.join(' ')), rows, double(clock.elapsed()) / 1000.0);
    }
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption rowsOption(QStringLiteral("rows"), QStringLiteral("Rows in the file for yield."),
        QStringLiteral("n"), QStringLiteral("1000000"));
    const QCommandLineOption sizeOption(QStringLiteral("size"), QStringLiteral("Image bytes for the transfer."),
        QStringLiteral("bytes"), QStringLiteral("262144"));
    parser.addOptions({ rowsOption, sizeOption });
    parser.addHelpOption();
    parser.process(app);

    QTemporaryDir folder;
    std::printf("| recording | cost |\n|---|---|\n");
    recorderCost(folder.path(), 1000);
    durableCost(folder.path(), 200);
    exitCost(folder.path(), 21);
    transferCost(folder.path(), parser.value(sizeOption).toInt(), 5);
    yieldTimes(folder.path(), parser.value(rowsOption).toInt());
    return 0;
}
