// The station window driven through its buttons against two virtual chips:
// the recipe is locked while stations run, Start all downloads into both,
// a tile shows its station's whole log, also while it follows the station's
// new lines, Stop all ends both, and so does closing.
// Each station's attempts reach the production records with the work order.
// Counting is per chip, and the totals are the tiles' sum after the ports change.
#include "../factory/StationLogTexts.h"
#include "FactoryRig.h"
#include "FactoryTiming.h"
#include "PortChooser.h"
#include "ShiftPanel.h"
#include "StationLogDialog.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTextEdit>

namespace {
// "station work-order" of the passed attempts since a time the program's record file holds.
QStringList recordedPasses(const QDateTime& since)
{
    QStringList stations;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "records");
        db.setDatabaseName(QCoreApplication::applicationDirPath() + "/records/production.sqlite");
        QSqlQuery query(db);
        if (db.open()
            && query.prepare("SELECT station, work_order FROM chip_attempts WHERE program = 'tervaskfactory'"
                             " AND result = 'pass' AND started_at >= ? ORDER BY station")) {
            query.addBindValue(since.toUTC().toString("yyyy-MM-ddTHH:mm:ss.zzzZ"));
            if (query.exec()) {
                while (query.next())
                    stations << query.value(0).toString() + ' ' + query.value(1).toString();
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
        FactoryRig rig(2, 5000);
        FactoryWindow& window = rig.open(rig.ports());
        QCOMPARE(window.windowTitle(), QString("VYN Tervask Factory V01.00.12"));
        QVERIFY(rig.widget("startAllBtn")->isEnabled());
        QVERIFY(!rig.widget("stopAllBtn")->isEnabled());
        auto* workOrder = rig.widget<QLineEdit>("workOrder");
        workOrder->setText("LOT-4417");
        emit workOrder->editingFinished();

        // Opened before the start, this log receives every line as it comes.
        Station* first = window.stationList().at(0);
        QTest::mouseClick(rig.tile(rig.port(0)), Qt::LeftButton);
        QPointer<StationLogDialog> followingLog = window.findChild<StationLogDialog*>();
        QVERIFY(followingLog);

        rig.widget("startAllBtn")->click();
        for (const char* locked : { "fileBtn", "setupBtn", "portsBtn", "startAllBtn" })
            QVERIFY2(!rig.widget(locked)->isEnabled(), locked);
        QVERIFY(rig.widget("stopAllBtn")->isEnabled());

        for (int i = 0; i < 2; ++i) {
            QTRY_VERIFY_WITH_TIMEOUT(
                rig.tileText(rig.port(i), "counters").startsWith("Total: 1  PASS: 1  FAIL: 0  FPY: 100%"),
                FactoryRig::timeoutMs);
            QVERIFY(rig.tileText(rig.port(i), "state").startsWith("PASS"));
            QCOMPARE(rig.chips.at(i)->flash(0x1000, rig.image.size()), rig.image);
        }
        QVERIFY(rig.widget<QLabel>("totals")->text().contains("Total: 2  PASS: 2  FAIL: 0  FPY: 100%"));
        // Still running, waiting for the finished chips to leave: still locked.
        QVERIFY(!rig.widget("setupBtn")->isEnabled());

        QVERIFY(first->log().size() > 5);
        QTRY_COMPARE(followingLog->view()->toPlainText(), stationLogTexts(*first).join('\n'));
        QVERIFY(followingLog->findChild<QLabel*>("logNote")->text().contains(
            QFileInfo(first->runLogPath()).absoluteFilePath()));
        followingLog->close();

        // A click on a tile opens that station's whole log.
        Station* second = window.stationList().at(1);
        QTest::mouseClick(rig.tile(rig.port(1)), Qt::LeftButton);
        QTRY_VERIFY(!followingLog);
        auto* dialog = window.findChild<StationLogDialog*>();
        QVERIFY(dialog);
        QCOMPARE(dialog->view()->document()->blockCount(), int(second->log().size()));
        QVERIFY(dialog->view()->toPlainText().contains("The downloading is successed!"));
        dialog->close();

        rig.widget("stopAllBtn")->click();
        QTRY_VERIFY_WITH_TIMEOUT(!window.anyRunning(), int(FactoryTiming().stopBound.count()));
        for (const char* unlocked : { "fileBtn", "setupBtn", "portsBtn", "startAllBtn" })
            QVERIFY2(rig.widget(unlocked)->isEnabled(), unlocked);
        QVERIFY(!rig.widget("stopAllBtn")->isEnabled());
        for (const QString& port : rig.ports())
            QTRY_COMPARE(rig.tileText(port, "state"), QString("Idle"));
        QStringList ports = rig.ports();
        ports.sort();
        QTRY_COMPARE(recordedPasses(testStart), QStringList({ ports[0] + " LOT-4417", ports[1] + " LOT-4417" }));
        // The Shift tab reads the same records.
        auto* shift = window.findChild<ShiftPanel*>();
        window.findChild<QTabWidget*>()->setCurrentWidget(shift);
        for (const QString& port : std::as_const(ports))
            QTRY_VERIFY(shift->stations().contains(port));

        // Closing while stations run asks, then returns only once they have stopped.
        rig.widget("startAllBtn")->click();
        QVERIFY(window.anyRunning());
        rig.answerer.clickButton(QMessageBox::Yes);
        QVERIFY(window.close());
        QCOMPARE(rig.answerer.titles, QStringList({ "Close Confirmation?" }));
        QVERIFY(!window.anyRunning());
    }

    // A chip that passes at its retry is one chip and one pass, but no first
    // pass; after the ports change the totals are still the tiles' sum.
    void countsChipsAndKeepsTotalsTheTilesSum()
    {
        FactoryRig rig(2);
        rig.chips.front()->configure([](ChipKnobs& k) { k.wrongChecksums = 1; });
        FactoryWindow& window = rig.open(rig.ports());
        window.startAll();
        QTRY_COMPARE_WITH_TIMEOUT(rig.tileText(rig.port(0), "counters"), QString("Total: 1  PASS: 1  FAIL: 0  FPY: 0%"),
            FactoryRig::timeoutMs);
        QTRY_COMPARE_WITH_TIMEOUT(rig.tileText(rig.port(1), "counters"),
            QString("Total: 1  PASS: 1  FAIL: 0  FPY: 100%"), FactoryRig::timeoutMs);
        QVERIFY2(rig.widget<QLabel>("totals")->text().contains("Total: 2  PASS: 2  FAIL: 0  FPY: 50%"),
            qPrintable(rig.widget<QLabel>("totals")->text()));
        window.stopAll();
        QTRY_VERIFY_WITH_TIMEOUT(!window.anyRunning(), int(FactoryTiming().stopBound.count()));

        // The second fixture is taken off the line: its chip leaves the totals.
        const QString dropped = rig.port(1);
        rig.answerer.handle([&dropped](QWidget* modal) {
            auto* chooser = qobject_cast<PortChooser*>(modal);
            if (!chooser || !QTest::qWaitFor([chooser] { return chooser->listed(); }, 10000)) {
                modal->close();
                return;
            }
            auto* list = chooser->findChild<QListWidget*>();
            for (int row = 0; row < list->count(); ++row) {
                if (list->item(row)->data(Qt::UserRole).toString() == dropped)
                    list->item(row)->setCheckState(Qt::Unchecked);
            }
            chooser->accept();
        });
        rig.widget("portsBtn")->click();
        QTRY_VERIFY(rig.answerer.allAnswered());
        QCOMPARE(window.stationList().size(), 1);
        QCOMPARE(rig.tileText(rig.port(0), "counters"), QString("Total: 1  PASS: 1  FAIL: 0  FPY: 0%"));
        QVERIFY2(rig.widget<QLabel>("totals")->text().contains("Total: 1  PASS: 1  FAIL: 0  FPY: 0%"),
            qPrintable(rig.widget<QLabel>("totals")->text()));
    }
};

QTEST_MAIN(FactoryWindowTest)
#include "tst_factorywindow.moc"
