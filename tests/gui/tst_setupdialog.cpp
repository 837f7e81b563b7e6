// The setup dialog: lists, limits, the "0X" prefix, the erase-range check and Cancel.
#include "DownloadSetupDialog.h"
#include "ModalAnswerer.h"
#include "WorkerSettings.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace {
template <typename T> T* child(QObject& parent, const char* name)
{
    T* found = parent.findChild<T*>(QString::fromLatin1(name));
    if (!found)
        qFatal("no widget %s", name);
    return found;
}
} // namespace

class SetupDialogTest : public QObject {
    Q_OBJECT

private slots:
    void loadShowsTheRecordAndPrefixesEraseTexts()
    {
        WorkerSettings s(0);
        s.FlashSize = "2mbyte";
        s.BaudRate = "460800";
        s.downloadAddr = "0x10000";
        s.IsErase6620 = true;
        s.EraseAddr6620 = "1000";
        s.EraseSize6620 = "0x2000";
        DownloadSetupDialog dialog;
        dialog.loadFrom(s);
        QCOMPARE(dialog.windowTitle(), QString("Settings"));
        QCOMPARE(child<QComboBox>(dialog, "flashsizeCombox")->currentText(), QString("2MByte"));
        QCOMPARE(child<QComboBox>(dialog, "baudrateCombox")->currentText(), QString("460800"));
        QCOMPARE(child<QLineEdit>(dialog, "dnloadaddrLedt")->text(), QString("0x10000"));
        QVERIFY(child<QGroupBox>(dialog, "gbErase")->isChecked());
        QCOMPARE(child<QLineEdit>(dialog, "leEraseAddr")->text(), QString("0X1000"));
        QCOMPARE(child<QLineEdit>(dialog, "leEraseSize")->text(), QString("0x2000"));
        QCOMPARE(s.EraseAddr6620, QString("0X1000"));
        QCOMPARE(s.EraseSize6620, QString("0x2000"));
    }

    void unknownValues()
    {
        WorkerSettings s(0);
        s.FlashSize = "8MByte";
        s.BaudRate = "9600";
        DownloadSetupDialog dialog;
        dialog.loadFrom(s);
        QCOMPARE(child<QComboBox>(dialog, "flashsizeCombox")->currentIndex(), -1);
        QCOMPARE(child<QComboBox>(dialog, "baudrateCombox")->currentText(), QString("921600"));
        QCOMPARE(s.EraseAddr6620, QString("0X"));
        QCOMPARE(s.EraseSize6620, QString("0X"));
        dialog.saveTo(s);
        QCOMPARE(s.FlashSize, QString());
        QCOMPARE(s.BaudRate, QString("921600"));
    }

    void lengthsFollowTheFlashSize_data()
    {
        QTest::addColumn<QString>("flash");
        QTest::addColumn<int>("addressLength");
        QTest::addColumn<int>("sizeLength");
        QTest::newRow("1 MiB") << "1MByte" << 8 << 7;
        QTest::newRow("2 MiB") << "2MByte" << 8 << 8;
        QTest::newRow("4 MiB") << "4MByte" << 8 << 8;
    }

    void lengthsFollowTheFlashSize()
    {
        QFETCH(QString, flash);
        QFETCH(int, addressLength);
        QFETCH(int, sizeLength);
        WorkerSettings s(0);
        s.FlashSize = flash;
        DownloadSetupDialog dialog;
        dialog.loadFrom(s);
        QCOMPARE(child<QLineEdit>(dialog, "leEraseAddr")->maxLength(), addressLength);
        QCOMPARE(child<QLineEdit>(dialog, "leEraseSize")->maxLength(), sizeLength);
    }

    void typingIsLimited()
    {
        WorkerSettings s(0);
        s.IsErase6620 = true;
        DownloadSetupDialog dialog;
        dialog.loadFrom(s);
        QLineEdit* size = child<QLineEdit>(dialog, "leEraseSize");
        size->clear();
        QTest::keyClicks(size, "0x100000");
        QCOMPARE(size->text(), QString("0x10000"));
        size->clear();
        QTest::keyClicks(size, "12g");
        QCOMPARE(size->text(), QString());
        QTest::keyClicks(size, "0Xag");
        QCOMPARE(size->text(), QString("0Xa"));
    }

    void shrinkingTheFlashCutsTheSize()
    {
        WorkerSettings s(0);
        s.FlashSize = "4MByte";
        s.EraseSize6620 = "0x3ff000";
        DownloadSetupDialog dialog;
        dialog.loadFrom(s);
        child<QComboBox>(dialog, "flashsizeCombox")->setCurrentIndex(0);
        QCOMPARE(child<QLineEdit>(dialog, "leEraseSize")->text(), QString("0x3ff00"));
    }

    void acceptChecksTheEraseRange_data()
    {
        QTest::addColumn<bool>("erase");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("size");
        QTest::addColumn<QString>("error");
        QTest::newRow("whole flash after 0x1000") << true << "0x1000"
                                                  << "0xff000"
                                                  << "";
        QTest::newRow("below 0x1000") << true << "0x800"
                                      << "0x10000"
                                      << "Erase address can't less than 0x1000!";
        QTest::newRow("not 4k") << true << "0X1000"
                                << "0x1800"
                                << "Erase size must be a multiple of 4k!";
        QTest::newRow("no number is 0") << true << "0X"
                                        << "0X"
                                        << "Erase address can't less than 0x1000!";
        QTest::newRow("unchecked, nonsense kept") << false << "zz"
                                                  << "0x1"
                                                  << "";
    }

    void acceptChecksTheEraseRange()
    {
        QFETCH(bool, erase);
        QFETCH(QString, address);
        QFETCH(QString, size);
        QFETCH(QString, error);
        WorkerSettings s(0);
        s.IsErase6620 = erase;
        DownloadSetupDialog dialog;
        dialog.loadFrom(s);
        child<QLineEdit>(dialog, "leEraseAddr")->setText(address);
        child<QLineEdit>(dialog, "leEraseSize")->setText(size);

        ModalAnswerer answerer;
        if (!error.isEmpty())
            answerer.clickButton(QMessageBox::Ok);
        QTimer::singleShot(0, &dialog, [&] {
            child<QDialogButtonBox>(dialog, "buttonBox")->button(QDialogButtonBox::Ok)->click();
            // A refused range leaves the dialog open: close it for the test.
            if (dialog.isVisible())
                dialog.reject();
        });
        const int result = dialog.exec();
        QVERIFY(answerer.allAnswered());
        if (error.isEmpty()) {
            QCOMPARE(result, int(QDialog::Accepted));
            QVERIFY(answerer.titles.isEmpty());
            dialog.saveTo(s);
            QCOMPARE(s.EraseAddr6620, address);
            QCOMPARE(s.EraseSize6620, size);
            QCOMPARE(s.IsErase6620, erase);
        } else {
            QCOMPARE(result, int(QDialog::Rejected));
            QCOMPARE(answerer.titles, QStringList({ "Error" }));
            QCOMPARE(answerer.texts, QStringList({ error }));
            QCOMPARE(child<QLineEdit>(dialog, "leEraseAddr")->text(), address);
        }
    }

    void cancelLeavesTheRecordButKeepsThePrefix()
    {
        WorkerSettings s(0);
        s.EraseAddr6620 = "1000";
        DownloadSetupDialog dialog;
        dialog.loadFrom(s);
        child<QComboBox>(dialog, "baudrateCombox")->setCurrentIndex(2);
        child<QComboBox>(dialog, "flashsizeCombox")->setCurrentIndex(2);
        child<QLineEdit>(dialog, "dnloadaddrLedt")->setText("0x20000");
        child<QGroupBox>(dialog, "gbErase")->setChecked(true);
        QTimer::singleShot(0, &dialog,
            [&] { child<QDialogButtonBox>(dialog, "buttonBox")->button(QDialogButtonBox::Cancel)->click(); });
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));
        QCOMPARE(s.BaudRate, QString("921600"));
        QCOMPARE(s.FlashSize, QString("1MByte"));
        QCOMPARE(s.downloadAddr, QString("0x1000"));
        QCOMPARE(s.IsErase6620, false);
        QCOMPARE(s.EraseAddr6620, QString("0X1000"));
    }
};

QTEST_MAIN(SetupDialogTest)
#include "tst_setupdialog.moc"
