// The console downloader keeping its records on a PostgreSQL server that the
// test runs itself: rows arrive with outside values verbatim, a chip's line
// noise reaches every store, rows of a server stopped mid-job wait in the
// local outbox until they are forwarded, each exactly once, a row the server
// refuses steps aside for the rows behind it, and a server that never
// answers does not hold a program up.
#include "ProductionRecorder.h"
#include "ProgramFiles.h"
#include "RecordStore.h"
#include "ThrowawayPostgres.h"
#include "VirtualChip.h"

#include <QDir>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Result {
    int status = -1000;
    QByteArray out;
    QByteArray err;
};

struct ServerRow {
    QString id;
    QString station;
    QString imagePath;
    QString result;
    bool finished = false;
};

} // namespace

class RecordServerTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(server.create() && server.start(), qPrintable(server.lastError()));
        QVERIFY(programDir.isValid());
        for (const auto& [from, name] :
            { std::pair { TERVASKCMD_PATH, "tervaskcmd" }, std::pair { TERVASKRECORDS_PATH, "tervaskrecords" } })
            QVERIFY(QFile::copy(from, programDir.filePath(name)));
        image = programDir.filePath("image.bin");
        QVERIFY(writeFile(image, randomBytes(64 * 1024, 64 * 1024)));
    }

    void cleanupTestCase() { QVERIFY2(server.stop(), qPrintable(server.lastError())); }

    void outsideValuesArriveVerbatim()
    {
        const QString port = programDir.filePath("COM3'; DELETE FROM chip_attempts; --\"x\"");
        const QString oddImage = programDir.filePath("fw 'v2\"); DROP TABLE chip_attempts; --.bin");
        QVERIFY(QFile::copy(image, oddImage));
        VirtualChip chip;
        QVERIFY(chip.start(port));

        const Result r = run("tervaskcmd", { "--p", port, "--file", oddImage });
        QCOMPARE(r.err, QByteArray());
        QCOMPARE(r.status, 0);

        const QList<ServerRow> rows = serverRows();
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows.first().station, port);
        QCOMPARE(rows.first().imagePath, oddImage);
        QCOMPARE(rows.first().result, QString("pass"));
        QVERIFY(rows.first().finished);
        QCOMPARE(outboxSize(), 0);
    }

    void rowsOfAStoppedServerAreForwardedOnce()
    {
        const QSet<QString> before = ids(serverRows());
        VirtualChip slowChip;
        QVERIFY(slowChip.start());
        slowChip.configure([](ChipKnobs& k) { k.baud = 115200; }); // about six seconds of transfer
        QProcess job;
        job.setProcessEnvironment(environment());
        job.start(programDir.filePath("tervaskcmd"), { "--p", slowChip.portName(), "--file", image, "--b", "115200" });

        // The server takes the running row, then goes away before the job ends.
        QTRY_VERIFY_WITH_TIMEOUT(serverRows().size() == before.size() + 1, 20000);
        QCOMPARE(serverRows().last().result, QString("running"));
        QVERIFY2(job.state() == QProcess::Running, "the job must still run when the server stops");
        QVERIFY2(server.stop(), qPrintable(server.lastError()));
        QVERIFY(job.waitForFinished(60000));
        const QByteArray said = job.readAllStandardError();
        QVERIFY2(said.startsWith(waitWarning) && said.count('\n') == 1, said);
        QCOMPARE(job.exitCode(), 0);

        // A whole job while the server is away: said once, on one line.
        VirtualChip chip;
        QVERIFY(chip.start());
        const Result away = run("tervaskcmd", { "--p", chip.portName(), "--file", image });
        QVERIFY2(away.err.startsWith(waitWarning) && away.err.count('\n') == 1, away.err);
        QCOMPARE(away.status, 0);
        QCOMPARE(outboxSize(), 2);
        QCOMPARE(run("tervaskrecords", { "forward" }).status, 2);
        const Result waiting = run("tervaskrecords", { "status" });
        QCOMPARE(waiting.status, 2);
        QVERIFY2(waiting.out.contains("waiting:     2 rows, the oldest from ") && waiting.out.contains("refused"),
            waiting.out);

        QVERIFY2(server.start(), qPrintable(server.lastError()));
        const Result forwarded = run("tervaskrecords", { "forward" });
        QCOMPARE(forwarded.err, QByteArray());
        QCOMPARE(forwarded.out,
            QStringLiteral("Forwarded 2 rows to postgresql://postgres@127.0.0.1:%1/postgres.\n")
                .arg(server.port())
                .toUtf8());
        QCOMPARE(run("tervaskrecords", { "forward" }).out.left(12), QByteArray("Forwarded 0 "));
        QCOMPARE(outboxSize(), 0);
        const Result healthy = run("tervaskrecords", { "status" });
        QCOMPARE(healthy.status, 0);
        QVERIFY2(
            healthy.out.contains("waiting:     none\n") && healthy.out.contains("last error:  none\n"), healthy.out);

        const QList<ServerRow> rows = serverRows();
        QCOMPARE(rows.size(), before.size() + 2);
        QSet<QString> stations;
        for (const ServerRow& row : rows) {
            if (before.contains(row.id))
                continue;
            QCOMPARE(row.result, QString("pass"));
            QVERIFY(row.finished);
            stations.insert(row.station);
        }
        QCOMPARE(stations, QSet<QString>({ slowChip.portName(), chip.portName() }));
    }

    // A chip answering a packet with line noise (a NUL, bytes that are no
    // UTF-8): its failed row and the rows after it reach either store.
    void lineNoiseReachesEveryStore_data()
    {
        QTest::addColumn<bool>("lineDatabase");
        QTest::newRow("line database") << true;
        QTest::newRow("this PC") << false;
    }

    void lineNoiseReachesEveryStore()
    {
        QFETCH(bool, lineDatabase);
        VirtualChip noisy;
        QVERIFY(noisy.start());
        noisy.configure([](ChipKnobs& k) {
            k.strangeAnswerAtPacket = 3;
            k.strangeAnswer = QByteArray("\x01\x00\xff\xfeZ", 5);
        });
        QCOMPARE(run("tervaskcmd", { "--p", noisy.portName(), "--file", image }, lineDatabase).status, 2);
        VirtualChip good;
        QVERIFY(good.start());
        QCOMPARE(run("tervaskcmd", { "--p", good.portName(), "--file", image }, lineDatabase).status, 0);

        const QString csv = programDir.filePath("noise.csv");
        const Result exported = run("tervaskrecords", { "export", "--csv", csv }, lineDatabase);
        QCOMPARE(exported.err, QByteArray());
        QFile file(csv);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString rows = QString::fromUtf8(file.readAll());
        // A terminal's name comes back once its chip is gone: each chip's row is the last under its name.
        const QString noiseRow = rows.section(noisy.portName(), -1).section(QStringLiteral("\r\n"), 0, 0);
        QVERIFY2(
            noiseRow.contains(QStringLiteral(",fail,transfer,\"Error: recieve data error,\\x01\\x00\u00ff\u00feZ!\",")),
            qPrintable(noiseRow));
        QVERIFY2(rows.section(good.portName(), -1).section(QStringLiteral("\r\n"), 0, 0).contains(",pass,"),
            qPrintable(rows));
        if (lineDatabase)
            QCOMPARE(outboxSize(), 0);
    }

    // A row the server refuses for what it holds (here a damaged id) is set
    // aside: the rows behind it still go through, and status counts it.
    void aRefusedRowStepsAside()
    {
        {
            RecordStore local;
            QVERIFY(local.openLocal(programDir.filePath("records/production.sqlite"), RecordTiming()));
            AttemptRow damaged = AttemptRow::started(RecordContext(), QDateTime::currentDateTimeUtc().addSecs(-60));
            damaged.id = "damaged";
            QVERIFY(local.keepForServer(damaged));
            RecordContext context;
            context.station = "ttyBEHIND";
            QVERIFY(local.keepForServer(AttemptRow::started(context, QDateTime::currentDateTimeUtc())));
        }
        const Result forwarded = run("tervaskrecords", { "forward" });
        QCOMPARE(forwarded.out.left(12), QByteArray("Forwarded 1 "));
        QCOMPARE(serverRows().last().station, QString("ttyBEHIND"));
        QCOMPARE(outboxSize(), 0);
        const Result status = run("tervaskrecords", { "status" });
        QCOMPARE(status.status, 3);
        QVERIFY2(status.out.contains("set aside:   1 rows the server refused for what they hold\n"), status.out);
    }

    // A server that takes the connection and never answers, the URL allowing
    // 30 s for the connection: the program still ends within 2 s of its job,
    // and its row waits in the outbox.
    void aSilentServerDoesNotHoldTheProgram()
    {
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        const QString url
            = QStringLiteral("postgresql://postgres@127.0.0.1:%1/postgres?connect_timeout=30").arg(silent.serverPort());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("TERVASK_RECORDS", url);
        VirtualChip chip;
        QVERIFY(chip.start());
        const int waitingBefore = outboxSize();
        QProcess job;
        job.setProcessEnvironment(env);
        job.start(programDir.filePath("tervaskcmd"), { "--p", chip.portName(), "--file", image });
        QByteArray out;
        QTRY_VERIFY_WITH_TIMEOUT((out += job.readAllStandardOutput()).contains("Download successed!"), 30000);
        QElapsedTimer closing;
        closing.start();
        QVERIFY(job.waitForFinished(30000));
        QVERIFY2(closing.elapsed() < 2000, qPrintable(QString::number(closing.elapsed())));
        QCOMPARE(job.exitCode(), 0);
        QCOMPARE(job.readAllStandardError(),
            QStringLiteral("Warning: production records wait for the line database: no answer from "
                           "postgresql://postgres@127.0.0.1:%1/postgres\n")
                .arg(silent.serverPort())
                .toUtf8());
        QCOMPARE(outboxSize(), waitingBefore + 1);
    }

    // Trouble is said once per streak, and again after the records recovered.
    void aWarningPerStreakOfTrouble()
    {
        const int waitingBefore = outboxSize();
        QVERIFY2(server.stop(), qPrintable(server.lastError()));
        RecordLocation location
            = RecordLocation::fromUrl(server.url(), programDir.filePath("records/production.sqlite"));
        RecordTiming timing;
        timing.reconnectPause = std::chrono::milliseconds(0);
        ProductionRecorder recorder(location, timing);
        QSignalSpy warnings(&recorder, &ProductionRecorder::sngWarning);
        const auto recovered = [&recorder] {
            const RecordHealth health = recorder.health();
            return health.waiting == 0 && health.lastError.isEmpty(); // the earlier test's refused row stays aside
        };
        const auto attempt = [&recorder] {
            recorder.attemptStarted(QDateTime::currentDateTimeUtc());
            AttemptReport report;
            report.result = AttemptReport::Result::Pass;
            recorder.attemptFinished(report);
        };
        attempt();
        attempt();
        QTRY_COMPARE(recorder.health().waiting, waitingBefore + 2);
        QCOMPARE(warnings.size(), 1);
        QVERIFY2(server.start(), qPrintable(server.lastError()));
        recorder.forwardNow();
        QTRY_VERIFY_WITH_TIMEOUT(recovered(), 10000);
        QVERIFY2(server.stop(), qPrintable(server.lastError()));
        attempt();
        QTRY_COMPARE(warnings.size(), 2);
        QVERIFY2(warnings.at(1).at(0).toString().startsWith(waitWarning), qPrintable(warnings.at(1).at(0).toString()));
        QVERIFY2(server.start(), qPrintable(server.lastError()));
        recorder.forwardNow();
        QTRY_VERIFY_WITH_TIMEOUT(recovered(), 10000);
    }

private:
    static constexpr const char* waitWarning = "Warning: production records wait for the line database: ";

    QProcessEnvironment environment(bool lineDatabase = true) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("TERVASK_RECORDS");
        if (lineDatabase)
            env.insert("TERVASK_RECORDS", server.url());
        return env;
    }

    Result run(const QString& program, const QStringList& arguments, bool lineDatabase = true)
    {
        QProcess process;
        process.setProcessEnvironment(environment(lineDatabase));
        process.start(programDir.filePath(program), arguments);
        Result r;
        if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
            return r;
        r.status = process.exitCode();
        r.out = process.readAllStandardOutput();
        r.err = process.readAllStandardError();
        return r;
    }

    // A connection of its own each time: the server may have been restarted since.
    QList<ServerRow> serverRows()
    {
        QList<ServerRow> rows;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QPSQL", "check");
            db.setHostName("127.0.0.1");
            db.setPort(server.port());
            db.setDatabaseName("postgres");
            db.setUserName("postgres");
            if (db.open()) {
                QSqlQuery query(db);
                query.exec("SELECT id, station, image_path, result, finished_at IS NOT NULL FROM chip_attempts"
                           " ORDER BY started_at");
                while (query.next())
                    rows << ServerRow { query.value(0).toString(), query.value(1).toString(), query.value(2).toString(),
                        query.value(3).toString(), query.value(4).toBool() };
            }
        }
        QSqlDatabase::removeDatabase("check");
        return rows;
    }

    int outboxSize()
    {
        int size = -1;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "outbox");
            db.setDatabaseName(programDir.filePath("records/production.sqlite"));
            QSqlQuery query(db);
            if (db.open() && query.exec("SELECT COUNT(*) FROM outbox") && query.next())
                size = query.value(0).toInt();
        }
        QSqlDatabase::removeDatabase("outbox");
        return size;
    }

    static QSet<QString> ids(const QList<ServerRow>& rows)
    {
        QSet<QString> set;
        for (const ServerRow& row : rows)
            set.insert(row.id);
        return set;
    }

    ThrowawayPostgres server;
    QTemporaryDir programDir;
    QString image;
};

QTEST_GUILESS_MAIN(RecordServerTest)
#include "tst_recordserver.moc"
