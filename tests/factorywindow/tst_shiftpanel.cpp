// The factory's "Shift" panel over a record file: only this shift's attempts,
// passes and failures per hour, per station when one is chosen; this PC's,
// or the whole line's with each station named by its PC; results in the
// screen's language; closing never waits for a silent server.
#include "RecordStore.h"
#include "ShiftPanel.h"

#include <QApplication>
#include <QBarSet>
#include <QChartView>
#include <QStackedBarSeries>
#include <QSqlDatabase>
#include <QSysInfo>
#include <QTableWidget>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTranslator>
#include <QtTest>

namespace {

const QDate today(2026, 12, 8);

AttemptRow attempt(int number, QTime startedLocal, const char* station, const char* result,
    const QString& host = QSysInfo::machineHostName())
{
    AttemptRow row;
    row.id = QStringLiteral("00000000-0000-4000-8000-%1").arg(number, 12, 10, QLatin1Char('0'));
    row.startedAt = QDateTime(today, startedLocal).toUTC();
    row.finishedAt = row.startedAt.addSecs(9);
    row.context.host = host;
    row.context.station = station;
    row.result = result;
    return row;
}

QList<QPair<int, int>> chartBars(ShiftPanel& panel)
{
    QList<QPair<int, int>> bars;
    auto* view = panel.findChild<QChartView*>();
    auto* series = view ? qobject_cast<QStackedBarSeries*>(view->chart()->series().value(0)) : nullptr;
    if (!series || series->barSets().size() != 2)
        return bars;
    for (int i = 0; i < series->barSets().at(0)->count(); ++i)
        bars << qMakePair(int(series->barSets().at(0)->at(i)), int(series->barSets().at(1)->at(i)));
    return bars;
}

} // namespace

class ShiftPanelTest : public QObject {
    Q_OBJECT

private slots:
    void nightShiftBeganYesterday()
    {
        const ShiftSchedule schedule;
        QCOMPARE(ShiftClock::shiftStart(QDateTime(today, QTime(2, 0)), schedule),
            QDateTime(today.addDays(-1), QTime(22, 0)));
        QCOMPARE(ShiftClock::shiftStart(QDateTime(today, QTime(14, 0)), schedule), QDateTime(today, QTime(14, 0)));
    }

    void showsThisShiftPerHourAndStation()
    {
        QTemporaryDir folder;
        RecordLocation location;
        location.sqlitePath = folder.filePath("records/production.sqlite");
        {
            RecordStore store;
            QVERIFY(store.openLocal(location.sqlitePath, RecordTiming()));
            const QList<AttemptRow> rows { attempt(1, QTime(13, 50), "ttyUSB0", "pass"),
                attempt(2, QTime(14, 5), "ttyUSB0", "pass"), attempt(3, QTime(14, 20), "ttyUSB1", "fail"),
                attempt(4, QTime(14, 40), "ttyUSB1", "pass"), attempt(5, QTime(15, 10), "ttyUSB0", "fail"),
                attempt(6, QTime(16, 5), "ttyUSB1", "pass"), attempt(7, QTime(16, 10), "ttyUSB1", "canceled"),
                attempt(8, QTime(14, 30), "ttyUSB0", "fail", "other-pc") };
            for (const AttemptRow& row : rows)
                QVERIFY2(store.store(row), qPrintable(store.lastError()));
        }
        ShiftPanel panel(location);
        panel.setClock([] { return QDateTime(today, QTime(16, 30)); });
        QSignalSpy shown(&panel, &ShiftPanel::sngShown);
        QTRY_VERIFY(!shown.isEmpty()); // the reading started with the real clock
        panel.refresh();
        QTRY_COMPARE(shown.size(), 2);
        panel.show();

        QCOMPARE(panel.attemptsShown(), 6);
        QCOMPARE(panel.stations(), QStringList({ "ttyUSB0", "ttyUSB1" }));
        QCOMPARE(chartBars(panel), (QList<QPair<int, int>> { { 2, 1 }, { 0, 1 }, { 1, 0 } }));

        panel.selectStation("ttyUSB1");
        QCOMPARE(panel.attemptsShown(), 4);
        QCOMPARE(chartBars(panel), (QList<QPair<int, int>> { { 1, 1 }, { 0, 0 }, { 1, 0 } }));
        // A new reading keeps the operator's choice.
        panel.refresh();
        QTRY_COMPARE(shown.size(), 3);
        QCOMPARE(panel.attemptsShown(), 4);

        // The line: the same port name on another PC is another station.
        panel.showWholeLine(true);
        QTRY_COMPARE(shown.size(), 4);
        const QString here = QSysInfo::machineHostName();
        QCOMPARE(panel.stations(), QStringList({ "other-pc/ttyUSB0", here + "/ttyUSB0", here + "/ttyUSB1" }));
        QCOMPARE(panel.attemptsShown(), 4);
        panel.selectStation("other-pc/ttyUSB0");
        QCOMPARE(panel.attemptsShown(), 1);
        QCOMPARE(chartBars(panel), (QList<QPair<int, int>> { { 0, 1 }, { 0, 0 }, { 0, 0 } }));

        QTranslator chinese;
        QVERIFY(chinese.load(QStringLiteral(TERVASK_TR_DIR "/tervask_chs.qm")));
        QCoreApplication::installTranslator(&chinese);
        panel.retranslate();
        const QString fail = QCoreApplication::translate("ShiftPanel", "Fail");
        QCoreApplication::removeTranslator(&chinese);
        QVERIFY(fail != "Fail");
        QCOMPARE(panel.findChild<QTableWidget*>()->item(0, 2)->text(), fail);
    }

    // The panel keeps only the latest attempts for its table, yet counts the
    // whole shift; a station quiet for a while still shows its own latest.
    void countsAShiftLongerThanItsTable()
    {
        QTemporaryDir folder;
        RecordLocation location;
        location.sqlitePath = folder.filePath("records/production.sqlite");
        {
            RecordStore store;
            QVERIFY(store.openLocal(location.sqlitePath, RecordTiming()));
            QVERIFY(store.database().transaction());
            for (int i = 0; i < 3; ++i)
                QVERIFY(store.store(attempt(i, QTime(14, 0, i), "ttyUSB1", "fail")));
            for (int i = 0; i < 700; ++i)
                QVERIFY(store.store(attempt(100 + i, QTime(14, 1).addSecs(5 * i), "ttyUSB0", i % 10 ? "pass" : "fail")));
            QVERIFY(store.database().commit());
        }
        ShiftPanel panel(location);
        panel.setClock([] { return QDateTime(today, QTime(15, 30)); });
        QSignalSpy shown(&panel, &ShiftPanel::sngShown);
        QTRY_VERIFY(!shown.isEmpty());
        panel.refresh();
        QTRY_COMPARE(shown.size(), 2);

        QCOMPARE(panel.attemptsShown(), 703);
        // Every attempt started between 14:00 and 14:59:15; every tenth on ttyUSB0 failed.
        QCOMPARE(chartBars(panel), (QList<QPair<int, int>> { { 630, 73 }, { 0, 0 } }));
        auto* table = panel.findChild<QTableWidget*>();
        QCOMPARE(table->rowCount(), 500);
        QCOMPARE(table->item(0, 0)->text(), QDateTime(today, QTime(14, 1).addSecs(5 * 699)).toString("HH:mm:ss"));
        panel.selectStation("ttyUSB1");
        QCOMPARE(panel.attemptsShown(), 3);
        QCOMPARE(table->rowCount(), 3);
        QCOMPARE(table->item(0, 1)->text(), QStringLiteral("ttyUSB1"));
    }

    // A line server that takes the connection and never answers (the URL
    // allowing 30 s for it) does not hold up the window closing.
    void closesWhileTheServerIsSilent()
    {
        if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
            QSKIP("this Qt has no PostgreSQL driver (the Windows build): the panel never connects");
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        QTemporaryDir folder;
        const RecordLocation location = RecordLocation::fromUrl(
            QStringLiteral("postgresql://line@127.0.0.1:%1/records?connect_timeout=30").arg(silent.serverPort()),
            folder.filePath("records/production.sqlite"));
        auto* panel = new ShiftPanel(location);
        QTRY_VERIFY(silent.hasPendingConnections() || silent.waitForNewConnection(100));
        QElapsedTimer closing;
        closing.start();
        delete panel;
        QVERIFY2(closing.elapsed() < 2000, qPrintable(QString::number(closing.elapsed())));
    }
};

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ShiftPanelTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_shiftpanel.moc"
