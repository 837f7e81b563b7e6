// The recipe survives a restart of the program: every key, the operator's
// labels whatever they contain, and the other groups of the file. A hand-edited
// recipe runs only with values the window could have set; the lead's PIN is
// never in the file.
#include "IdentitySettings.h"
#include "LeadPin.h"
#include "Recipe.h"
#include "WorkerSettings.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

class RecipeTest : public QObject {
    Q_OBJECT

private slots:
    void savedRecipeLoadsBack()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const QString ini = folder.filePath("cfg/tervaskfactory.ini");
        Recipe recipe;
        recipe.FileName = "/images/app v2, final.bin";
        recipe.imageSize = 123456;
        recipe.imageCrc = "0x00C0FFEE";
        recipe.downloadAddr = "0x20000";
        recipe.FlashSize = "4MByte";
        recipe.BaudRate = "460800";
        recipe.IsErase6620 = true;
        recipe.EraseAddr6620 = "0x100000";
        recipe.EraseSize6620 = "0x2000";
        recipe.retries = 2;
        recipe.fixedWaits = true;
        recipe.ports
            = QStringList { "/dev/ttyUSB0", "COM12", "usb:1-1.4", "/dev/serial/by-path/pci-0000:00:14.0-usb-0:2:1.0" };
        recipe.labels = { { "/dev/ttyUSB0", "Fixture 1, left = top" }, { "usb:1-1.4", "Линия 2 %20 / 治具" } };
        recipe.disabled = { "COM12" };
        recipe.failSound = true;
        recipe.leadPin = LeadPin::stored("4711");
        recipe.shiftStarts = { QTime(7, 0), QTime(19, 30) };
        recipe.countingSince = QDateTime(QDate(2026, 12, 8), QTime(14, 3, 7), Qt::UTC);
        recipe.workOrder = "WO-2026-0042";
        recipe.operatorView = true;
        recipe.language = "Chinese";
        recipe.identity = { true, "00:1A:2B:00:00:00-00:1A:2B:00:FF:FF", "0x3FF000", "text", 2 };
        QVERIFY(recipe.save(ini));
        {
            // A group the recipe does not know stays in the file when it is written again.
            QSettings other(ini, QSettings::IniFormat);
            other.setValue("dump/Pool", "00:11:22:00:00:00-00:11:22:00:ff:ff");
        }
        QVERIFY(recipe.save(ini));
        QCOMPARE(QSettings(ini, QSettings::IniFormat).value("dump/Pool").toString(),
            QString("00:11:22:00:00:00-00:11:22:00:ff:ff"));

        const Recipe loaded = Recipe::load(ini);
        QCOMPARE(loaded.FileName, recipe.FileName);
        QCOMPARE(loaded.imageSize, recipe.imageSize);
        QCOMPARE(loaded.imageCrc, recipe.imageCrc);
        QCOMPARE(loaded.downloadAddr, recipe.downloadAddr);
        QCOMPARE(loaded.FlashSize, recipe.FlashSize);
        QCOMPARE(loaded.BaudRate, recipe.BaudRate);
        QCOMPARE(loaded.IsErase6620, true);
        QCOMPARE(loaded.EraseAddr6620, recipe.EraseAddr6620);
        QCOMPARE(loaded.EraseSize6620, recipe.EraseSize6620);
        QCOMPARE(loaded.retries, 2);
        QCOMPARE(loaded.ports, recipe.ports);
        QCOMPARE(loaded.labels, recipe.labels);
        QCOMPARE(loaded.disabled, recipe.disabled);
        QCOMPARE(loaded.failSound, true);
        QCOMPARE(loaded.leadPin, recipe.leadPin);
        QCOMPARE(loaded.shiftStarts, recipe.shiftStarts);
        QCOMPARE(loaded.countingSince, recipe.countingSince);
        QCOMPARE(loaded.workOrder, recipe.workOrder);
        QCOMPARE(loaded.operatorView, true);
        QCOMPARE(loaded.language, recipe.language);
        QCOMPARE(loaded.problem(), QString());
        QCOMPARE(loaded.identity.pool, recipe.identity.pool);
        IdentitySettings identity;
        QString why;
        QVERIFY2(loaded.fillIdentity(identity, why), qPrintable(why));
        QVERIFY(identity.enabled);
        QCOMPARE(identity.flashAddress, 0x3FF000u);
        QCOMPARE(identity.format, IdentitySettings::Format::Text);
        QCOMPARE(identity.pool.macsPerChip, 2);

        WorkerSettings settings(0);
        loaded.fillSettings(settings);
        QVERIFY(settings.AutoStart);
        QCOMPARE(settings.failedChipRetries, 2);
        QVERIFY(settings.FixedWaits);
        QCOMPARE(settings.downloadAddr, recipe.downloadAddr);
    }

    void handEditedValuesAreChecked_data()
    {
        QTest::addColumn<QByteArray>("lines");
        QTest::addColumn<QString>("named"); // what the refusal names; empty: the recipe runs

        QTest::newRow("spaces and a trailing comma are fine") << QByteArray(
            "Ports=/dev/ttyUSB0, /dev/ttyUSB1 ,\nRetries= 3\nIsErase6620=true\nEraseAddr6620=0x10000\n"
            "EraseSize6620=2000\n") << QString();
        QTest::newRow("retries below") << QByteArray("Retries=-1\n") << "Retries=-1";
        QTest::newRow("retries above") << QByteArray("Retries=6\n") << "Retries=6";
        QTest::newRow("retries no number") << QByteArray("Retries=two\n") << "Retries=two";
        QTest::newRow("baud not offered") << QByteArray("BaudRate=57600\n") << "BaudRate=57600";
        QTest::newRow("flash not offered") << QByteArray("FlashSize=3MByte\n") << "FlashSize=3MByte";
        QTest::newRow("address no number") << QByteArray("downloadAddr=0x1g00\n") << "downloadAddr=0x1g00";
        QTest::newRow("erase below 0x1000")
            << QByteArray("IsErase6620=1\nEraseAddr6620=0x800\nEraseSize6620=0x1000\n")
            << "EraseAddr6620=0x800, EraseSize6620=0x1000 is refused: Erase address can't less than 0x1000!";
        QTest::newRow("erase past the flash")
            << QByteArray("IsErase6620=1\nEraseAddr6620=0xff000\nEraseSize6620=0x2000\n") << "EraseSize6620=0x2000";
        QTest::newRow("erase size no number")
            << QByteArray("IsErase6620=1\nEraseAddr6620=0x1000\nEraseSize6620=4k\n") << "EraseSize6620=4k";
        QTest::newRow("erase switch no flag") << QByteArray("IsErase6620=yes\n") << "IsErase6620=yes";
        QTest::newRow("fixed waits no flag") << QByteArray("FixedWaits=sometimes\n") << "FixedWaits=sometimes";
        QTest::newRow("port with a space") << QByteArray("Ports=ttyUSB0,tty USB1\n") << "Ports=tty USB1";
        QTest::newRow("port twice") << QByteArray("Ports=ttyUSB0,ttyUSB0\n") << "Ports=ttyUSB0";
        QTest::newRow("socket not a socket") << QByteArray("Ports=usb:hub4\n") << "Ports=usb:hub4";
        QTest::newRow("label pair without a port") << QByteArray("Labels=left\n") << "Labels=left";
        QTest::newRow("label with a line break") << QByteArray("Labels=ttyUSB0=a%0Ab\n") << "Labels=ttyUSB0=a\nb";
        QTest::newRow("shift start no time") << QByteArray("ShiftStarts=06:00,2pm\n") << "ShiftStarts=2pm";
        QTest::newRow("identity switch no flag") << QByteArray("[identity]\nEnabled=yes\n") << "identity/Enabled=yes";
    }

    void handEditedValuesAreChecked()
    {
        QFETCH(QByteArray, lines);
        QFETCH(QString, named);
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const QString ini = folder.filePath("tervaskfactory.ini");
        QFile file(ini);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[factory]\n" + lines);
        file.close();
        const QString problem = Recipe::load(ini).problem();
        if (named.isEmpty())
            QCOMPARE(problem, QString());
        else
            QVERIFY2(problem.contains(named), qPrintable(problem));
    }

    void leadPinIsNeverStoredInClear()
    {
        const QString stored = LeadPin::stored("4711");
        QVERIFY(!stored.contains("4711"));
        QVERIFY(LeadPin::matches(stored, "4711"));
        QVERIFY(!LeadPin::matches(stored, "4712"));
        QVERIFY(!LeadPin::matches(stored, ""));
        QVERIFY(!LeadPin::matches("4711", "4711"));
        // Salted: the same PIN twice is two different texts.
        QVERIFY(LeadPin::stored("4711") != stored);
    }
};

QTEST_GUILESS_MAIN(RecipeTest)
#include "tst_recipe.moc"
