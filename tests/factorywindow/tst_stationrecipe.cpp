// The recipe as the line lead answers for it: whatever is set is in the file
// at once (the program killed and started again shows the same); a lead PIN
// locks what belongs to the lead (a wrong PIN changes nothing, the file never
// holds the PIN) and leaves the operator Start, Stop, labels and the view;
// a bad hand-edited value, identity settings that cannot work or an image
// that is not the pinned one starts nothing and says why; stations share the bytes read at the start.
#include "ElidedLabel.h"
#include "FactoryRig.h"
#include "LeadPin.h"
#include "MacLedger.h"
#include "Recipe.h"
#include "RecipePanel.h"
#include "RecordStore.h"

#include <QCheckBox>
#include <QInputDialog>
#include <QRandomGenerator>
#include <QLineEdit>
#include <QSpinBox>
#include <QTabBar>

#include <zlib.h>

namespace {
void typeInto(QLineEdit* edit, const QString& text)
{
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString crcOf(const QByteArray& bytes)
{
    const auto crc = crc32(0, reinterpret_cast<const Bytef*>(bytes.constData()), uInt(bytes.size()));
    return QStringLiteral("0x%1").arg(quint32(crc), 8, 16, QLatin1Char('0')).toUpper().replace("0X", "0x");
}

void enterPin(ModalAnswerer& answerer, const QString& pin)
{
    answerer.handle([pin](QWidget* modal) {
        auto* input = qobject_cast<QInputDialog*>(modal);
        if (!input) {
            modal->close();
            return;
        }
        input->setTextValue(pin);
        input->accept();
    });
}
} // namespace

class StationRecipeTest : public QObject {
    Q_OBJECT

private slots:
    void everyChangeIsInTheFileAtOnce()
    {
        FactoryRig rig(2);
        FactoryWindow& window = rig.open(rig.ports());
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        typeInto(rig.tilePart<QLineEdit>(rig.port(0), "labelEdit"), "Left jig");
        rig.tilePart<QCheckBox>(rig.port(1), "switch")->click();
        typeInto(rig.widget<QLineEdit>("workOrder"), "WO-7731");
        rig.widget<QSpinBox>("retries")->setValue(3);
        QTest::keyClick(&window, Qt::Key_F11);
        QVERIFY(!window.findChild<RecipePanel*>()->isVisible());

        FactoryWindow& again = rig.restart();
        QCOMPARE(rig.tilePart<QLineEdit>(rig.port(0), "labelEdit")->text(), QString("Left jig"));
        QVERIFY(rig.tilePart<QCheckBox>(rig.port(0), "switch")->isChecked());
        QVERIFY(!rig.tilePart<QCheckBox>(rig.port(1), "switch")->isChecked());
        QCOMPARE(rig.widget<QLineEdit>("workOrder")->text(), QString("WO-7731"));
        QCOMPARE(rig.widget<QSpinBox>("retries")->value(), 3);
        QVERIFY(again.operatorView());
        QVERIFY(!again.findChild<RecipePanel*>()->isVisible());
        QVERIFY(!again.findChild<QTabBar*>()->isVisible());
        QVERIFY(rig.widget<QLabel>("totals")->isVisible());
        QCOMPARE(Recipe::load(rig.recipePath()).ports, rig.ports());

        // A fixture switched off is left out of Start all.
        again.startAll();
        QTRY_COMPARE_WITH_TIMEOUT(rig.tileText(rig.port(0), "state"), QString("PASS"), FactoryRig::timeoutMs);
        QVERIFY(!rig.station(rig.port(1))->isRunning());
        QCOMPARE(rig.tileText(rig.port(1), "state"), QString("Off"));
    }

    void leadPinLocksTheRecipe()
    {
        FactoryRig rig;
        rig.writeRecipe({ { "LeadPin", LeadPin::stored("4711") }, { "Ports", rig.port(0) },
            { "FileName", rig.folder.path("image.bin") } });
        FactoryWindow& window = rig.open(QStringList(), false);
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        const QList<QWidget*> leads { rig.widget("fileBtn"), rig.widget("setupBtn"), rig.widget("portsBtn"),
            rig.widget("identityBtn"), rig.widget<QSpinBox>("retries"), rig.widget<QCheckBox>("failSound"),
            rig.tilePart<QCheckBox>(rig.port(0), "switch") };
        const auto locked = [&leads] {
            return std::none_of(leads.begin(), leads.end(), [](const QWidget* w) { return w->isEnabled(); });
        };
        QVERIFY(locked());
        QVERIFY(rig.tilePart<QLineEdit>(rig.port(0), "labelEdit")->isEnabled());
        QVERIFY(rig.widget("startAllBtn")->isEnabled());

        const QByteArray before = fileBytes(rig.recipePath());
        enterPin(rig.answerer, "1234");
        rig.answerer.clickButton(QMessageBox::Ok);
        rig.widget("lockBtn")->click();
        QTRY_VERIFY(rig.answerer.allAnswered());
        QCOMPARE(rig.answerer.titles, QStringList({ "Wrong PIN" }));
        QVERIFY(locked());
        QCOMPARE(fileBytes(rig.recipePath()), before);

        // The operator's view comes and goes without the PIN.
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(&window, Qt::Key_F11);
        QVERIFY(window.operatorView());
        QTest::keyClick(&window, Qt::Key_F11);
        QVERIFY(!window.operatorView());
        QVERIFY(!QApplication::activeModalWidget());

        enterPin(rig.answerer, "4711");
        rig.widget("lockBtn")->click();
        QTRY_VERIFY(rig.answerer.allAnswered());
        QVERIFY(std::all_of(leads.begin(), leads.end(), [](const QWidget* w) { return w->isEnabled(); }));

        enterPin(rig.answerer, "2468");
        rig.widget("pinBtn")->click();
        QTRY_VERIFY(rig.answerer.allAnswered());
        const QByteArray file = fileBytes(rig.recipePath());
        QVERIFY(!file.contains("4711") && !file.contains("2468"));
        QVERIFY(LeadPin::matches(Recipe::load(rig.recipePath()).leadPin, "2468"));
        rig.widget("lockBtn")->click();
        QVERIFY(locked());
    }

    // Nothing starts while the recipe holds a value it cannot use, or while
    // the file is not the image the lead pinned; the screen says which.
    void refusedStartsSayWhy()
    {
        FactoryRig rig;
        rig.writeRecipe({ { "Retries", 9 } });
        FactoryWindow& window = rig.open(rig.ports());
        auto* refusal = rig.widget<QLabel>("refusal");
        window.startAll();
        QVERIFY(!window.anyRunning());
        QVERIFY(refusal->isVisible());
        QVERIFY2(refusal->text().contains("Retries=9"), qPrintable(refusal->text()));

        rig.widget<QSpinBox>("retries")->setValue(1);
        rig.answerer.chooseFile(rig.folder.path("image.bin"));
        rig.widget("fileBtn")->click();
        QTRY_VERIFY(rig.answerer.allAnswered());
        QCOMPARE(Recipe::load(rig.recipePath()).imageCrc, crcOf(rig.image));

        const QByteArray other = rig.folder.writeFile("image.bin", rig.image.size(), 9);
        window.startAll();
        QVERIFY(!window.anyRunning());
        QVERIFY2(refusal->text().contains(rig.folder.path("image.bin")) && refusal->text().contains(crcOf(rig.image)),
            qPrintable(refusal->text()));
        QCOMPARE(rig.chips.front()->events().size(), 0);

        rig.folder.writeFile("image.bin", rig.image.size());
        window.startAll();
        QVERIFY(!refusal->isVisible());
        QTRY_COMPARE_WITH_TIMEOUT(rig.tileText(rig.port(0), "state"), QString("PASS"), FactoryRig::timeoutMs);
        QCOMPARE(rig.chips.front()->flash(0x1000, rig.image.size()), rig.image);
        QVERIFY(other != rig.image);
    }

    // Identity settings the stations cannot work with, and a pool with no
    // address left, start nothing: one line says why, and no chip hears a byte.
    void identityRefusedAtStart_data()
    {
        // A pool of one chip of this run's own in the program's records, used up below.
        const quint32 own = QRandomGenerator::global()->bounded(0x1000000u);
        const QString usedUp = MacAddress(0x001A2C000000ull + own).text();
        QTest::addColumn<QString>("pool");
        QTest::addColumn<QString>("flashAddress");
        QTest::addColumn<QString>("message");
        QTest::newRow("malformed pool") << "00:1A:2C:00:00:00"
                                        << "0xFF000"
                                        << "Nothing started: the MAC pool \"00:1A:2C:00:00:00\" is not FIRST-LAST";
        QTest::newRow("beyond the flash") << "00:1A:2C:00:00:00-00:1A:2C:00:00:FF"
                                          << "0x100000"
                                          << "Nothing started: the MAC address at 0x100000 lies beyond the flash";
        QTest::newRow("used up") << usedUp + "-" + usedUp << "0xFF000"
                                 << "Nothing started: the MAC pool " + usedUp + "-" + usedUp + " is used up";
    }

    void identityRefusedAtStart()
    {
        QFETCH(QString, pool);
        QFETCH(QString, flashAddress);
        QFETCH(QString, message);
        FactoryRig rig;
        rig.folder.writeConfig("cfg/tervaskfactory.ini", "identity",
            { { "Enabled", true }, { "Pool", pool }, { "FlashAddress", flashAddress } });
        if (QTest::currentDataTag() == QLatin1String("used up")) {
            RecordStore store;
            QVERIFY(
                store.openLocal(QCoreApplication::applicationDirPath() + "/records/production.sqlite", RecordTiming()));
            MacRange range;
            QString why;
            QVERIFY(MacRange::parse(pool, range, why));
            MacLedger ledger(store);
            QList<quint64> taken;
            QVERIFY2(ledger.setUp(range), qPrintable(ledger.lastError()));
            QVERIFY(ledger.takeFromPool(range, 1, { "used", "", "test", "test", "" }, taken));
        }
        FactoryWindow& window = rig.open(rig.ports());
        window.startAll();
        QVERIFY(!window.anyRunning());
        const QString refusal = rig.widget<QLabel>("refusal")->text();
        QVERIFY2(refusal.startsWith(message), qPrintable(refusal));
        QCOMPARE(rig.chips.front()->events().size(), 0);
    }

    // A station started while another runs takes the same bytes, and the
    // recipe line says that the file on disk is another one by now.
    void stationsShareTheImageReadAtStart()
    {
        FactoryRig rig(2);
        rig.open(rig.ports());
        rig.tilePart<QPushButton>(rig.port(0), "startBtn")->click();
        QTRY_COMPARE_WITH_TIMEOUT(rig.tileText(rig.port(0), "state"), QString("PASS"), FactoryRig::timeoutMs);
        auto* imageInfo = rig.widget<ElidedLabel>("imageInfo");
        QVERIFY2(imageInfo->fullText().contains(crcOf(rig.image)), qPrintable(imageInfo->fullText()));

        const QByteArray changed = rig.folder.writeFile("image.bin", rig.image.size(), 5);
        // Said where the line is read, not only in its tooltip: on a 1366-pixel screen the line is cut.
        QTRY_VERIFY2(imageInfo->text().contains("changed since the start"), qPrintable(imageInfo->text()));
        rig.tilePart<QPushButton>(rig.port(1), "startBtn")->click();
        QTRY_COMPARE_WITH_TIMEOUT(rig.tileText(rig.port(1), "state"), QString("PASS"), FactoryRig::timeoutMs);
        QCOMPARE(rig.chips.at(1)->flash(0x1000, rig.image.size()), rig.image);

        rig.window->stopAll();
        QTRY_VERIFY_WITH_TIMEOUT(!rig.window->anyRunning(), FactoryRig::timeoutMs);
        QVERIFY2(imageInfo->fullText().contains(crcOf(changed)), qPrintable(imageInfo->fullText()));
    }
};

QTEST_MAIN(StationRecipeTest)
#include "tst_stationrecipe.moc"
