// The console downloader keeping its records on a PostgreSQL server that the
// test runs itself: rows arrive with outside values verbatim, and rows of a
// server stopped mid-job wait in the local outbox until they are forwarded,
// each exactly once.
#include "ProgramFiles.h"
#include "ThrowawayPostgres.h"
#include "VirtualChip.h"

#include <QDir>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
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
        QCOMPARE(job.readAllStandardError(), QByteArray());
        QCOMPARE(job.exitCode(), 0);

        // A whole job while the server is away.
        VirtualChip chip;
        QVERIFY(chip.start());
        const Result away = run("tervaskcmd", { "--p", chip.portName(), "--file", image });
        QCOMPARE(away.err, QByteArray());
        QCOMPARE(away.status, 0);
        QCOMPARE(outboxSize(), 2);
        QCOMPARE(run("tervaskrecords", { "forward" }).status, 2);

        QVERIFY2(server.start(), qPrintable(server.lastError()));
        const Result forwarded = run("tervaskrecords", { "forward" });
        QCOMPARE(forwarded.err, QByteArray());
        QCOMPARE(forwarded.out,
            QStringLiteral("Forwarded 2 rows to postgresql://postgres@127.0.0.1:%1/postgres.\n")
                .arg(server.port())
                .toUtf8());
        QCOMPARE(run("tervaskrecords", { "forward" }).out.left(12), QByteArray("Forwarded 0 "));
        QCOMPARE(outboxSize(), 0);

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

private:
    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("TERVASK_RECORDS", server.url());
        return env;
    }

    Result run(const QString& program, const QStringList& arguments)
    {
        QProcess process;
        process.setProcessEnvironment(environment());
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
