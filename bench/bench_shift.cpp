// bench_shift: a shift at the station window. 16 stations (by default) on
// instant virtual chips, each downloading chip after chip (2,000 each by
// default), a fresh chip plugged as soon as the last one has left. Prints
// the process's resident memory as the shift goes on, and the log lines each
// station keeps in memory: once a station's log holds its last 20,000 lines,
// memory stays where it is however many chips follow. Beside them, the
// chips whose finished record is in the file by then (a writer that cannot
// keep up holds the rest in memory), the heap the program has allocated and
// not freed (what the allocator keeps besides is resident but not in use),
// and SQLite's share of it, the record connections' page caches.
#include "AttemptRow.h"
#include "BenchImage.h"
#include "FactoryCommandLine.h"
#include "FactoryTiming.h"
#include "FactoryWindow.h"
#include "Recipe.h"
#include "RecordLocation.h"
#include "ResidentMemory.h"
#include "Station.h"
#include "StationSockets.h"
#include "StationWindowRun.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <malloc.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int checkpoints = 10;

// A station's turn-around as short as the wire allows: the shift's memory,
// not its pace, is measured. The chip-left rule keeps its production value.
LinkTiming shortWaits()
{
    using ms = std::chrono::milliseconds;
    LinkTiming timing;
    timing.autoJobPause = ms(20);
    timing.presenceInterval = ms(20);
    timing.verifySettle = ms(10);
    timing.verifyDrain = ms(20);
    timing.verifyDefaultWait = ms(30);
    return timing;
}

struct Checkpoint {
    int chips = 0;
    double seconds = 0;
    double residentMiB = 0;
    double fileBackedMiB = 0;
    qsizetype mostLogLines = 0; // of the station keeping the most
    qint64 recordedChips = 0;
    double heapInUseMiB = 0;
    double sqliteMiB = 0;
};

double heapInUseMiB()
{
    const struct mallinfo2 heap = mallinfo2();
    return double(heap.uordblks + heap.hblkhd) / (1024.0 * 1024.0);
}

// Attempts since the shift began whose finished row the records file holds.
qint64 finishedRows(const QString& path, const QDateTime& sinceUtc)
{
    qint64 rows = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench count"));
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=2000"));
        QSqlQuery query(db);
        if (db.open()
            && query.exec(QStringLiteral("SELECT COUNT(*) FROM chip_attempts WHERE result <> 'running' AND started_at >= '%1'")
                              .arg(AttemptRow::timeText(sinceUtc)))
            && query.next())
            rows = query.value(0).toLongLong();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("bench count"));
    return rows;
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("A shift of chips at the station window: memory as it goes on."));
    parser.addHelpOption();
    const QCommandLineOption stationsOption(
        QStringLiteral("stations"), QStringLiteral("Stations."), QStringLiteral("count"), QStringLiteral("16"));
    const QCommandLineOption chipsOption(
        QStringLiteral("chips"), QStringLiteral("Chips per station."), QStringLiteral("count"), QStringLiteral("2000"));
    const QCommandLineOption sizeOption(
        QStringLiteral("size"), QStringLiteral("Image bytes."), QStringLiteral("bytes"), QStringLiteral("4096"));
    const QCommandLineOption logsOption(
        QStringLiteral("open-logs"), QStringLiteral("Keep every station's log dialog open through the shift."));
    parser.addOptions({ stationsOption, chipsOption, sizeOption, logsOption });
    parser.process(app);
    const int stations = parser.value(stationsOption).toInt();
    const int chipsPerStation = parser.value(chipsOption).toInt();
    const int totalChips = stations * chipsPerStation;

    QTemporaryDir folder;
    if (!folder.isValid() || !QDir::setCurrent(folder.path()))
        return 1;
    const QByteArray image = BenchImage::make(parser.value(sizeOption).toInt());
    const QString imagePath = folder.filePath(QStringLiteral("image.bin"));
    if (!BenchImage::save(image, imagePath))
        return 1;

    StationSockets sockets(chipsPerStation, int(image.size()));
    if (!sockets.open(stations, 0)) {
        std::fprintf(stderr, "cannot open %d virtual chips\n", stations);
        return 1;
    }
    FactoryCommandLine line;
    line.valid = true;
    line.ports = sockets.portNames();
    line.file = imagePath;
    FactoryWindow window(line);
    window.setLinkTiming(shortWaits());
    window.show();
    if (parser.isSet(logsOption))
        StationWindowRun::openEveryLog(window);
    sockets.attach(window.stationList());

    std::vector<Checkpoint> taken;
    int counted = 0;
    QElapsedTimer clock;
    const QString recordsPath = RecordLocation::resolve(QCoreApplication::applicationDirPath()).sqlitePath;
    const QDateTime shiftStart = QDateTime::currentDateTimeUtc();
    double trimmedMiB = -1;
    const auto take = [&] {
        Checkpoint point { counted, double(clock.elapsed()) / 1000.0, ResidentMemory::currentMiB(), 0, 0 };
        for (const Station* station : window.stationList())
            point.mostLogLines = std::max(point.mostLogLines, station->log().size());
        point.recordedChips = finishedRows(recordsPath, shiftStart);
        point.heapInUseMiB = heapInUseMiB();
        point.sqliteMiB = double(sqlite3_memory_used()) / (1024.0 * 1024.0);
        point.fileBackedMiB = ResidentMemory::fileBackedMiB();
        taken.push_back(point);
        // At the end: how much of the resident memory is free memory the allocator kept.
        if (counted == totalChips) {
            malloc_trim(0);
            trimmedMiB = ResidentMemory::currentMiB();
        }
    };
    for (Station* station : window.stationList()) {
        QObject::connect(station, &Station::chipCounted, station, [&] {
            ++counted;
            if (counted % std::max(1, totalChips / checkpoints) == 0 || counted == 2000)
                take();
        });
    }
    clock.start();
    window.startAll();
    take();
    StationWindowRun::runUntil([&] { return sockets.allDone(); });
    window.stopAll();
    StationWindowRun::runUntil([&] { return !window.anyRunning(); });

    std::printf("| chips counted | minutes | resident MiB | of it file-backed MiB | heap in use MiB | SQLite MiB | log "
                "lines kept (largest station) | chips recorded |\n");
    std::printf("|---|---|---|---|---|---|---|---|\n");
    for (const Checkpoint& point : taken) {
        std::printf("| %d | %.1f | %.1f | %.1f | %.1f | %.1f | %lld | %lld |\n", point.chips, point.seconds / 60.0,
            point.residentMiB, point.fileBackedMiB, point.heapInUseMiB, point.sqliteMiB,
            static_cast<long long>(point.mostLogLines), static_cast<long long>(point.recordedChips));
    }
    if (trimmedMiB >= 0)
        std::printf("\nAt the last checkpoint, after malloc_trim(0): resident %.1f MiB\n", trimmedMiB);
    const bool complete = sockets.allPassed();
    if (!complete)
        std::fprintf(stderr, "not every station downloaded its %d chips\n", chipsPerStation);
    return complete ? 0 : 1;
}
