// The recipe as the line lead answers for it: whatever is set is in the file
// at once (the program killed and started again shows the same); a lead PIN
// locks what belongs to the lead (a wrong PIN changes nothing, the file never
// holds the PIN) and leaves the operator Start, Stop, labels and the view;
// a bad hand-edited value or an image that is not the pinned one starts
// nothing and says why; stations share the bytes read at the start.
#include "ElidedLabel.h"
#include "FactoryRig.h"
#include "LeadPin.h"
#include "Recipe.h"
#include "RecipePanel.h"

#include <QCheckBox>
#include <QInputDialog>
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
            rig.widget<QSpinBox>("retries"), rig.widget<QCheckBox>("failSound"),
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
        QTRY_VERIFY2(imageInfo->fullText().contains("changed since the start"), qPrintable(imageInfo->fullText()));
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
