// The recipe survives a restart of the program: every key, and the operator's
// labels whatever they contain.
#include "Recipe.h"
#include "WorkerSettings.h"

#include <QFile>
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
        recipe.downloadAddr = "0x20000";
        recipe.FlashSize = "4MByte";
        recipe.BaudRate = "460800";
        recipe.IsErase6620 = true;
        recipe.EraseAddr6620 = "0x100000";
        recipe.EraseSize6620 = "0x2000";
        recipe.retries = 2;
        recipe.ports = QStringList { "/dev/ttyUSB0", "COM12", "/dev/serial/by-path/pci-0000:00:14.0-usb-0:2:1.0" };
        recipe.labels = { { "/dev/ttyUSB0", "Fixture 1, left = top" }, { "COM12", "Линия 2 %20 / 治具" } };
        recipe.language = "Chinese";
        recipe.identity = { true, "00:1A:2B:00:00:00-00:1A:2B:00:FF:FF", "0x3FF000", "text", 2 };
        recipe.save(ini);

        const Recipe loaded = Recipe::load(ini);
        QCOMPARE(loaded.FileName, recipe.FileName);
        QCOMPARE(loaded.downloadAddr, recipe.downloadAddr);
        QCOMPARE(loaded.FlashSize, recipe.FlashSize);
        QCOMPARE(loaded.BaudRate, recipe.BaudRate);
        QCOMPARE(loaded.IsErase6620, true);
        QCOMPARE(loaded.EraseAddr6620, recipe.EraseAddr6620);
        QCOMPARE(loaded.EraseSize6620, recipe.EraseSize6620);
        QCOMPARE(loaded.retries, 2);
        QCOMPARE(loaded.ports, recipe.ports);
        QCOMPARE(loaded.labels, recipe.labels);
        QCOMPARE(loaded.language, recipe.language);
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
        QCOMPARE(settings.downloadAddr, recipe.downloadAddr);
    }

    void handEditedFile()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const QString ini = folder.filePath("tervaskfactory.ini");
        QFile file(ini);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[factory]\nPorts=/dev/ttyUSB0, /dev/ttyUSB1 ,\nRetries=-1\n");
        file.close();
        const Recipe loaded = Recipe::load(ini);
        QCOMPARE(loaded.ports, QStringList({ "/dev/ttyUSB0", "/dev/ttyUSB1" }));
        // A negative count would download into a failing chip for ever.
        QCOMPARE(loaded.retries, 0);
        QCOMPARE(loaded.BaudRate, QString("921600"));
    }
};

QTEST_GUILESS_MAIN(RecipeTest)
#include "tst_recipe.moc"
