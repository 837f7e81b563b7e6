// The station window driven through its buttons against two virtual chips:
// the recipe is locked while stations run, Start all downloads into both,
// a tile shows its station's whole log, also while it follows the station's
// new lines, Stop all ends both, and so does closing.
// Each station's attempts reach the production records.
#include "FactoryTiming.h"
#include "FactoryWindow.h"
#include "MacLedger.h"
#include "ModalAnswerer.h"
#include "RecordStore.h"
#include "ShiftPanel.h"
#include "Station.h"
#include "StationLogDialog.h"
#include "VirtualChip.h"
#include "WorkerHarness.h"
#include "gui/WorkFolder.h"

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTextEdit>
#include <QtTest>

namespace {
const int downloadTimeoutMs = 30000;

QString tileText(FactoryWindow& window, const QString& port, const char* child)
{
    auto* tile = window.findChild<QWidget*>(QStringLiteral("station:") + port);
    if (!tile)
        return QStringLiteral("<no tile>");
    return tile->findChild<QLabel*>(QString::fromLatin1(child))->text();
}
// The stations whose passed attempts since a time the program's record file holds.
QStringList recordedPasses(const QDateTime& since)
{
    QStringList stations;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "records");
        db.setDatabaseName(QCoreApplication::applicationDirPath() + "/records/production.sqlite");
        QSqlQuery query(db);
        if (db.open()
            && query.prepare("SELECT station FROM chip_attempts WHERE program = 'tervaskfactory' AND result = 'pass'"
                             " AND started_at >= ? ORDER BY station")) {
            query.addBindValue(since.toUTC().toString("yyyy-MM-ddTHH:mm:ss.zzzZ"));
            if (query.exec()) {
                while (query.next())
                    stations << query.value(0).toString();
            }
        }
    }
    QSqlDatabase::removeDatabase("records");
    return stations;
}
} // namespace

class FactoryWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void startAllAndStopAllThroughTheButtons()
    {
        const QDateTime testStart = QDateTime::currentDateTimeUtc();
        WorkFolder folder;
        VirtualChip chips[2];
        for (VirtualChip& chip : chips)
            QVERIFY(chip.start());
        const QByteArray image = folder.writeFile("image.bin", 5000);

        FactoryCommandLine line;
        line.valid = true;
        line.ports = QStringList({ chips[0].portName(), chips[1].portName() });
        line.file = folder.path("image.bin");
        FactoryWindow window(line);
        window.setLinkTiming(WorkerHarness::fastTiming());
        window.show();
        QCOMPARE(window.windowTitle(), QString("VYN Tervask Factory V01.00.12"));
        auto button = [&window](const char* name) { return window.findChild<QPushButton*>(QString::fromLatin1(name)); };
        QVERIFY(button("startAllBtn")->isEnabled());
        QVERIFY(!button("stopAllBtn")->isEnabled());

        // Opened before the start, this log receives every line as it comes.
        Station* first = window.stationList().at(0);
        QTest::mouseClick(window.findChild<QWidget*>("station:" + chips[0].portName()), Qt::LeftButton);
        QPointer<StationLogDialog> followingLog = window.findChild<StationLogDialog*>();
        QVERIFY(followingLog);

        button("startAllBtn")->click();
        for (const char* locked : { "fileBtn", "setupBtn", "portsBtn", "startAllBtn" })
            QVERIFY2(!button(locked)->isEnabled(), locked);
        QVERIFY(button("stopAllBtn")->isEnabled());

        for (VirtualChip& chip : chips) {
            QTRY_VERIFY_WITH_TIMEOUT(
                tileText(window, chip.portName(), "counters").startsWith("Total: 1  PASS: 1  FAIL: 0  FPY: 100%"),
                downloadTimeoutMs);
            QVERIFY(tileText(window, chip.portName(), "state").startsWith("PASS"));
            QCOMPARE(chip.flash(0x1000, image.size()), image);
        }
        QVERIFY(window.findChild<QLabel*>("totals")->text().contains("Total: 2  PASS: 2  FAIL: 0  FPY: 100%"));
        // Still running, waiting for the finished chips to leave: still locked.
        QVERIFY(!button("setupBtn")->isEnabled());

        auto wholeLog = [](const Station* station) {
            QStringList texts;
            for (const Station::LogLine& line : station->log())
                texts.append(line.text);
            return texts.join('\n');
        };
        QVERIFY(first->log().size() > 5);
        QTRY_COMPARE(followingLog->view()->toPlainText(), wholeLog(first));
        followingLog->close();

        // A click on a tile opens that station's whole log.
        Station* second = window.stationList().at(1);
        QTest::mouseClick(window.findChild<QWidget*>("station:" + chips[1].portName()), Qt::LeftButton);
        QTRY_VERIFY(!followingLog);
        auto* dialog = window.findChild<StationLogDialog*>();
        QVERIFY(dialog);
        QCOMPARE(dialog->view()->document()->blockCount(), int(second->log().size()));
        QVERIFY(dialog->view()->toPlainText().contains("The downloading is successed!"));
        dialog->close();

        button("stopAllBtn")->click();
        QTRY_VERIFY_WITH_TIMEOUT(!window.anyRunning(), int(FactoryTiming().stopBound.count()));
        for (const char* unlocked : { "fileBtn", "setupBtn", "portsBtn", "startAllBtn" })
            QVERIFY2(button(unlocked)->isEnabled(), unlocked);
        QVERIFY(!button("stopAllBtn")->isEnabled());
        for (VirtualChip& chip : chips)
            QTRY_COMPARE(tileText(window, chip.portName(), "state"), QString("Idle"));
        QStringList ports { chips[0].portName(), chips[1].portName() };
        ports.sort();
        QTRY_COMPARE(recordedPasses(testStart), ports);
        // The Shift tab reads the same records.
        auto* shift = window.findChild<ShiftPanel*>();
        window.findChild<QTabWidget*>()->setCurrentWidget(shift);
        for (const QString& port : std::as_const(ports))
            QTRY_VERIFY(shift->stations().contains(port));

        // Closing while stations run asks, then returns only once they have stopped.
        button("startAllBtn")->click();
        QVERIFY(window.anyRunning());
        ModalAnswerer answerer;
        answerer.clickButton(QMessageBox::Yes);
        QVERIFY(window.close());
        QCOMPARE(answerer.titles, QStringList({ "Close Confirmation?" }));
        QVERIFY(!window.anyRunning());
    }

    // Start all refuses identity settings the stations cannot work with, and
    // a pool with no address left, in one message; no station starts and no
    // chip hears a byte.
    void identityRefusedAtStart_data()
    {
        // A pool of one chip of this run's own in the program's records, used up below.
        const quint32 own = QRandomGenerator::global()->bounded(0x1000000u);
        const QString usedUp = QStringLiteral("00:1A:2C:%1:%2:%3")
                                   .arg(own >> 16, 2, 16, QChar('0'))
                                   .arg((own >> 8) & 0xFF, 2, 16, QChar('0'))
                                   .arg(own & 0xFF, 2, 16, QChar('0'))
                                   .toUpper();
        QTest::addColumn<QString>("pool");
        QTest::addColumn<QString>("flashAddress");
        QTest::addColumn<QString>("message");
        QTest::newRow("malformed pool")
            << "00:1A:2C:00:00:00"
            << "0xFF000"
            << "The stations cannot start: the MAC pool \"00:1A:2C:00:00:00\" is not FIRST-LAST";
        QTest::newRow("beyond the flash")
            << "00:1A:2C:00:00:00-00:1A:2C:00:00:FF"
            << "0x100000"
            << "The stations cannot start: the MAC address at 0x100000 lies beyond the flash";
        QTest::newRow("used up") << usedUp + "-" + usedUp << "0xFF000"
                                 << "The stations cannot start: the MAC pool " + usedUp + "-" + usedUp + " is used up";
    }

    void identityRefusedAtStart()
    {
        QFETCH(QString, pool);
        QFETCH(QString, flashAddress);
        QFETCH(QString, message);
        WorkFolder folder;
        VirtualChip chip;
        QVERIFY(chip.start());
        folder.writeFile("image.bin", 5000);
        folder.writeConfig("cfg/tervaskfactory.ini", "identity",
            { { "Enabled", true }, { "Pool", pool }, { "FlashAddress", flashAddress } });
        MacRange range;
        QString why;
        if (QTest::currentDataTag() == QLatin1String("used up")) {
            RecordStore store;
            QVERIFY(
                store.openLocal(QCoreApplication::applicationDirPath() + "/records/production.sqlite", RecordTiming()));
            QVERIFY(MacRange::parse(pool, range, why));
            MacLedger ledger(store);
            QList<quint64> taken;
            QVERIFY2(ledger.setUp(range), qPrintable(ledger.lastError()));
            QVERIFY(ledger.takeFromPool(range, 1, { "used", "", "test", "test", "" }, taken));
        }

        FactoryCommandLine line;
        line.valid = true;
        line.ports = QStringList({ chip.portName() });
        line.file = folder.path("image.bin");
        FactoryWindow window(line);
        window.setLinkTiming(WorkerHarness::fastTiming());
        window.show();
        ModalAnswerer answerer;
        answerer.clickButton(QMessageBox::Ok);
        window.findChild<QPushButton*>("startAllBtn")->click();
        QTRY_VERIFY(answerer.allAnswered());
        QCOMPARE(answerer.texts.size(), 1);
        QVERIFY2(answerer.texts.first().startsWith(message), qPrintable(answerer.texts.first()));
        QVERIFY(!window.anyRunning());
        QCOMPARE(chip.knockCount(), 0);
    }
};

QTEST_MAIN(FactoryWindowTest)
#include "tst_factorywindow.moc"
