// The records' health where the operator looks: a line database that is never
// reached is said in the status, with the rows that wait for it, instead of
// every row going to the outbox without a word.
#include "ProductionRecorder.h"
#include "RecordsStatus.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QtTest>

// A program's recorder for a line database that refuses every connection
// (nothing listens on port 1), watched by the status.
struct WatchedRecorder {
    explicit WatchedRecorder(const QString& sqlitePath)
        : recorder(RecordLocation::fromUrl("postgresql://line@127.0.0.1:1/records", sqlitePath))
    {
        status.resize(2000, 20);
        status.show();
        status.watch(&recorder);
    }
    ProductionRecorder recorder;
    RecordsStatus status;
};

class RecordsStatusTest : public QObject {
    Q_OBJECT

private slots:
    void saysWhatWaitsAndWhy()
    {
        QTemporaryDir folder;
        WatchedRecorder watched(folder.filePath("records/production.sqlite"));
        ProductionRecorder& recorder = watched.recorder;
        RecordsStatus& status = watched.status;
        // The refusal may come before the watch begins: the first text is not waited for.
        QTRY_VERIFY2(status.text().startsWith("Records: line database not reached — postgresql://line@127.0.0.1:1/"
                                              "records: "),
            qPrintable(status.text()));

        const QDateTime started = QDateTime::currentDateTimeUtc();
        recorder.attemptStarted(started);
        const QString since = started.toLocalTime().toString("HH:mm");
        QTRY_VERIFY2(status.text().startsWith(QString("Records: 1 waiting since %1 — postgresql://").arg(since)),
            qPrintable(status.text()));
        // A narrow status bar cuts the text; the tool tip keeps all of it.
        status.resize(200, 20);
        QVERIFY2(status.text().endsWith(QChar(0x2026)), qPrintable(status.text()));
        QVERIFY(status.toolTip().contains("Connection refused"));
    }

    // Rows that cannot even reach the local outbox are lost, not waiting: that
    // outweighs a server out of reach.
    void aLocalFileThatFailsIsNotStored()
    {
        QTemporaryDir folder;
        QFile blocker(folder.filePath("records"));
        QVERIFY(blocker.open(QIODevice::WriteOnly)); // a file where the records' folder should be
        blocker.close();
        WatchedRecorder watched(folder.filePath("records/production.sqlite"));
        RecordsStatus& status = watched.status;
        watched.recorder.attemptStarted(QDateTime::currentDateTimeUtc());
        QTRY_VERIFY2(status.text().startsWith("Records: not stored — "), qPrintable(status.text()));
        QTest::qWait(300); // the server's refusal comes too and must not cover it
        QVERIFY2(status.text().startsWith("Records: not stored — "), qPrintable(status.text()));
    }
};

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    RecordsStatusTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_recordsstatus.moc"
