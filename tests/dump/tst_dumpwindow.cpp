// The dump window on the offscreen platform: control states, the length
// check, the language switch, closing, and a whole dump against the virtual chip.
#include "DownloadDumpWindow.h"
#include "DownloadWorker.h"
#include "VirtualChip.h"
#include "WorkerSettings.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {

const QString missingPort = QStringLiteral("/dev/vyn-no-such-port");

// Answers the next message box with the given button and tells what it said.
class BoxAnswerer {
public:
    explicit BoxAnswerer(QMessageBox::StandardButton button)
    {
        auto* poll = new QTimer(qApp);
        QObject::connect(poll, &QTimer::timeout, poll, [this, poll, button] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            title = box->windowTitle();
            text = box->text();
            poll->deleteLater();
            box->button(button)->click();
        });
        poll->start(10);
        timer = poll;
    }
    ~BoxAnswerer() { delete timer; }

    QString title;
    QString text;

private:
    QPointer<QTimer> timer;
};

QList<QByteArray> dumpCommands(const VirtualChip& chip)
{
    QList<QByteArray> found;
    for (const QByteArray& command : chip.commands())
        if (command.startsWith("md"))
            found.append(command);
    return found;
}

QByteArray flashPattern(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = char((quint32(i) * 2246822519u) >> 24);
    return bytes;
}

} // namespace

class DumpWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> dir;

    template <class T> static T* child(QWidget& window, const char* name)
    {
        T* found = window.findChild<T*>(QString::fromLatin1(name));
        if (!found)
            qFatal("no widget %s", name);
        return found;
    }

    static QRadioButton* languageButton(QWidget& window, const QString& text)
    {
        for (QRadioButton* button : window.findChildren<QRadioButton*>())
            if (button->text() == text)
                return button;
        qFatal("no language button %s", qPrintable(text));
    }

    // A press on the port list fills it, as an operator's first click does.
    static void pressPortList(QWidget& window)
    {
        auto* box = child<QComboBox>(window, "cbCom");
        QTest::mousePress(box, Qt::LeftButton);
        box->hidePopup();
        QTest::mouseRelease(box, Qt::LeftButton);
        box->hidePopup();
    }

    static void choosePort(QWidget& window, const QString& name)
    {
        pressPortList(window);
        auto* box = child<QComboBox>(window, "cbCom");
        box->setCurrentIndex(box->findText(name));
    }

    static void fillJob(QWidget& window, const QString& file, const QString& addr, const QString& size)
    {
        child<QLineEdit>(window, "saveLEdt")->setText(file);
        child<QLineEdit>(window, "addrLEdt")->setText(addr);
        child<QLineEdit>(window, "sizeLEdt")->setText(size);
    }

    static void show(QWidget& window)
    {
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
    }

    QString outputPath() const { return dir->filePath(QStringLiteral("dump.bin")); }

private slots:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        QDir::setCurrent(dir->path());
        qputenv("TERVASK_EXTRA_PORTS", missingPort.toLocal8Bit());
    }

    void cleanup()
    {
        QDir::setCurrent(QDir::tempPath());
        dir.reset();
    }

    void startsWithStoredJobAndNoPort()
    {
        QDir().mkpath(QStringLiteral("cfg"));
        {
            QSettings ini(QStringLiteral("cfg/download_dump.ini"), QSettings::IniFormat);
            ini.beginGroup(QStringLiteral("dump"));
            ini.setValue(QStringLiteral("SaveFile"), outputPath());
            ini.setValue(QStringLiteral("DumpAddr"), QStringLiteral("18001000"));
            ini.setValue(QStringLiteral("DumpSize"), QStringLiteral("400"));
            ini.setValue(QStringLiteral("FlashSize"), QStringLiteral("2MByte"));
        }
        DownloadDumpWindow window(2);
        show(window);
        QCOMPARE(window.windowTitle(), QString("VYN Dump Tool V01.00.03"));
        QCOMPARE(child<QLineEdit>(window, "saveLEdt")->text(), outputPath());
        QCOMPARE(child<QLineEdit>(window, "addrLEdt")->text(), QString("18001000"));
        QCOMPARE(child<QLineEdit>(window, "sizeLEdt")->text(), QString("400"));
        QCOMPARE(child<QComboBox>(window, "fsCom")->currentText(), QString("2MByte"));
        QCOMPARE(child<QComboBox>(window, "baudCom")->currentText(), QString("921600"));
        QCOMPARE(window.flashSizeBytes(), 2 * 1048576);
        QCOMPARE(child<QComboBox>(window, "cbCom")->count(), 0);
        QVERIFY(!child<QPushButton>(window, "startBtn")->isEnabled());
        QVERIFY(!child<QPushButton>(window, "stopBtn")->isEnabled());

        pressPortList(window);
        auto* ports = child<QComboBox>(window, "cbCom");
        QVERIFY(ports->findText(missingPort) >= 0);
        QCOMPARE(ports->currentIndex(), 0);
        QCOMPARE(window.jobSettings()->portName, ports->itemText(0));
        QVERIFY(child<QPushButton>(window, "startBtn")->isEnabled());
    }

    void portThatVanishesIsDeselected()
    {
        DownloadDumpWindow window(2);
        show(window);
        fillJob(window, outputPath(), QStringLiteral("18000000"), QStringLiteral("10"));
        choosePort(window, missingPort);
        pressPortList(window);
        QCOMPARE(child<QComboBox>(window, "cbCom")->currentText(), missingPort);

        qputenv("TERVASK_EXTRA_PORTS", "/dev/vyn-other-port");
        pressPortList(window);
        QCOMPARE(child<QComboBox>(window, "cbCom")->currentIndex(), -1);
        QVERIFY(window.jobSettings()->portName.isEmpty());
        QVERIFY(!child<QPushButton>(window, "startBtn")->isEnabled());
    }

    void startNeedsEveryField_data()
    {
        QTest::addColumn<QString>("missing");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("all there") << "" << true;
        QTest::newRow("no output file") << "file" << false;
        QTest::newRow("no port") << "port" << false;
        QTest::newRow("no address") << "addr" << false;
        QTest::newRow("no length") << "size" << false;
    }

    void startNeedsEveryField()
    {
        QFETCH(QString, missing);
        QFETCH(bool, enabled);
        DownloadDumpWindow window(2);
        show(window);
        fillJob(window, missing == "file" ? QString() : outputPath(), missing == "addr" ? QString() : "18000000",
            missing == "size" ? QString() : "100");
        if (missing != "port")
            choosePort(window, missingPort);
        QCOMPARE(child<QPushButton>(window, "startBtn")->isEnabled(), enabled);
        QVERIFY(!child<QPushButton>(window, "stopBtn")->isEnabled());
        for (const char* name : { "cbCom", "fsCom", "fileBtn", "addrLEdt", "sizeLEdt", "saveLEdt", "baudCom" })
            QVERIFY2(child<QWidget>(window, name)->isEnabled(), name);
    }

    void numberEditsTakeLettersAndDigits_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::newRow("hexadecimal prefix") << "0x1000"
                                            << "0x1000";
        QTest::newRow("letters") << "zz"
                                 << "zz";
        QTest::newRow("ninth character refused") << "123456789"
                                                 << "12345678";
        QTest::newRow("signs refused") << "-1+2 3"
                                       << "123";
    }

    void numberEditsTakeLettersAndDigits()
    {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        DownloadDumpWindow window(2);
        show(window);
        for (const char* name : { "addrLEdt", "sizeLEdt" }) {
            auto* edit = child<QLineEdit>(window, name);
            QTest::keyClicks(edit, typed);
            QCOMPARE(edit->text(), shown);
        }
    }

    void lengthIsCheckedAgainstTheFlash_data()
    {
        QTest::addColumn<QString>("flash");
        QTest::addColumn<QString>("addr");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("dumpSize");
        QTest::addColumn<QString>("boxText");

        const QString clamp = QStringLiteral("The dump size is out of flash size, only 0x%1 size will be dumped!");
        QTest::newRow("1MByte, the limit") << "1MByte"
                                           << "18000000"
                                           << "3fc00"
                                           << "3fc00" << QString();
        QTest::newRow("1MByte, one over") << "1MByte"
                                          << "18000000"
                                          << "3fc01"
                                          << "0x3fc00" << clamp.arg("3fc00");
        QTest::newRow("1MByte, one over with prefix") << "1MByte"
                                                      << "18000000"
                                                      << "0x3fc01"
                                                      << "0x3fc00" << clamp.arg("3fc00");
        QTest::newRow("2MByte, one over") << "2MByte"
                                          << "18000000"
                                          << "7fc01"
                                          << "0x7fc00" << clamp.arg("7fc00");
        QTest::newRow("4MByte, any address") << "4MByte"
                                             << "183ff000"
                                             << "ffc00"
                                             << "ffc00" << QString();
        QTest::newRow("4MByte, one over") << "4MByte"
                                          << "183ff000"
                                          << "ffc01"
                                          << "0xffc00" << clamp.arg("ffc00");
        QTest::newRow("100 is checked as hexadecimal") << "1MByte"
                                                       << "18000000"
                                                       << "100"
                                                       << "100" << QString();
        QTest::newRow("not a number counts as nothing") << "1MByte"
                                                        << "18000000"
                                                        << "zz"
                                                        << "zz" << QString();
    }

    void lengthIsCheckedAgainstTheFlash()
    {
        QFETCH(QString, flash);
        QFETCH(QString, addr);
        QFETCH(QString, typed);
        QFETCH(QString, dumpSize);
        QFETCH(QString, boxText);

        DownloadDumpWindow window(2);
        show(window);
        auto* flashChoice = child<QComboBox>(window, "fsCom");
        flashChoice->setCurrentIndex(flashChoice->findText(flash));
        QCOMPARE(window.jobSettings()->FlashSize, flash);
        fillJob(window, outputPath(), addr, typed);
        choosePort(window, missingPort);

        BoxAnswerer answer(QMessageBox::Ok);
        QTest::mouseClick(child<QPushButton>(window, "startBtn"), Qt::LeftButton);
        QCOMPARE(window.jobSettings()->DumpSize, dumpSize);
        QCOMPARE(child<QLineEdit>(window, "sizeLEdt")->text(), dumpSize);
        QCOMPARE(window.jobSettings()->DumpAddr, addr);
        QCOMPARE(answer.text, boxText);
        if (!boxText.isEmpty())
            QCOMPARE(answer.title, QString("Error"));

        // The port does not exist: the job ends at once and Start comes back.
        QTRY_VERIFY_WITH_TIMEOUT(child<QPushButton>(window, "startBtn")->isEnabled(), 10000);
        QVERIFY(child<QTextEdit>(window, "teLog")->toPlainText().contains("Error:failed to open port" + missingPort));
    }

    void languageSwitchRefillsTheLists()
    {
        DownloadDumpWindow window(2);
        show(window);
        auto* flash = child<QComboBox>(window, "fsCom");
        auto* baud = child<QComboBox>(window, "baudCom");
        flash->setCurrentIndex(2);
        baud->setCurrentIndex(2);
        QCOMPARE(window.flashSizeBytes(), 4 * 1048576);

        languageButton(window, "Chinese")->click();
        QCOMPARE(window.jobSettings()->language, QString("Chinese"));
        QCOMPARE(window.windowTitle(), QString("VYN Dump Tool V01.00.03"));
        QCOMPARE(flash->count(), 3);
        QCOMPARE(baud->count(), 3);
        QCOMPARE(flash->currentIndex(), 0);
        QCOMPARE(baud->currentText(), QString("921600"));
        QCOMPARE(window.flashSizeBytes(), 1048576);
        QCOMPARE(window.jobSettings()->FlashSize, flash->currentText());

        flash->setCurrentIndex(1);
        languageButton(window, "English")->click();
        QCOMPARE(window.jobSettings()->language, QString("English"));
        QCOMPARE(flash->currentText(), QString("1MByte"));
        QCOMPARE(window.jobSettings()->FlashSize, QString("1MByte"));
    }

    void aboutNamesVersionAndDate()
    {
        DownloadDumpWindow window(2);
        show(window);
        QAction* about = nullptr;
        for (QAction* action : window.findChildren<QAction*>())
            if (action->text() == "About")
                about = action;
        QVERIFY(about);
        BoxAnswerer answer(QMessageBox::Ok);
        about->trigger();
        QCOMPARE(answer.title, QString("About dump tool"));
        QVERIFY(answer.text.startsWith("VYN dump tool V01.00.03\n"));
        QVERIFY(answer.text.contains("2020-10-22"));
    }

    void closeStoresTheJobEvenWhenDeclined_data()
    {
        QTest::addColumn<bool>("confirm");
        QTest::newRow("No") << false;
        QTest::newRow("Yes") << true;
    }

    void closeStoresTheJobEvenWhenDeclined()
    {
        QFETCH(bool, confirm);
        DownloadDumpWindow window(2);
        show(window);
        fillJob(window, outputPath(), "18002000", "0x40");

        BoxAnswerer answer(confirm ? QMessageBox::Yes : QMessageBox::No);
        QCOMPARE(window.close(), confirm);
        QCOMPARE(answer.title, QString("Close Confirmation?"));
        QCOMPARE(answer.text, QString("Are you sure you want to exit?"));
        QCOMPARE(window.isVisible(), !confirm);

        QSettings ini(QStringLiteral("cfg/download_dump.ini"), QSettings::IniFormat);
        QCOMPARE(ini.value("dump/SaveFile").toString(), outputPath());
        QCOMPARE(ini.value("dump/FlashSize").toString(), QString("1MByte"));
    }

    void dumpThroughTheWindow_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("words");
        QTest::addColumn<QByteArray>("firstCommand");
        QTest::addColumn<int>("chunks");
        QTest::addColumn<int>("baud"); // the chip's, chosen in the window too
        QTest::newRow("two chunks") << "0x1100" << 0x1100 << QByteArray("md 18001000 4096") << 2 << 921600;
        QTest::newRow("100 dumped as decimal, 115200 baud")
            << "100" << 100 << QByteArray("md 18001000 100") << 1 << 115200;
    }

    void dumpThroughTheWindow()
    {
        QFETCH(QString, typed);
        QFETCH(int, words);
        QFETCH(QByteArray, firstCommand);
        QFETCH(int, chunks);
        QFETCH(int, baud);

        VirtualChip chip;
        QVERIFY(chip.start());
        chip.configure([baud](ChipKnobs& k) {
            k.baud = baud;
            k.strictLineEnds = true;
        });
        const QByteArray pattern = flashPattern(64 * 1024);
        chip.fillFlash(0, pattern);
        qputenv("TERVASK_EXTRA_PORTS", chip.portName().toLocal8Bit());

        DownloadDumpWindow window(2);
        show(window);
        fillJob(window, outputPath(), "18001000", typed);
        choosePort(window, chip.portName());
        auto* speed = child<QComboBox>(window, "baudCom");
        speed->setCurrentIndex(speed->findText(QString::number(baud)));
        auto* start = child<QPushButton>(window, "startBtn");
        QVERIFY(start->isEnabled());
        QTest::mouseClick(start, Qt::LeftButton);

        QTRY_VERIFY_WITH_TIMEOUT(start->isEnabled(), 20000);
        const QString log = child<QTextEdit>(window, "teLog")->toPlainText();
        QVERIFY2(log.contains("Dump Finished!"), qPrintable(log));
        QVERIFY(log.contains("Download successed!"));
        QCOMPARE(dumpCommands(chip).value(0), firstCommand);
        QCOMPARE(chip.hostLine().baud, baud);
        QFile file(outputPath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), pattern.mid(0x1000, words * 4));
        auto* progress = child<QProgressBar>(window, "progressBar");
        QCOMPARE(progress->maximum(), chunks);
        QCOMPARE(progress->value(), chunks);
    }

    // Start waits for the stopped job's end: until then the worker may still read the record.
    void stopDuringDump()
    {
        VirtualChip chip;
        QVERIFY(chip.start());
        chip.configure([](ChipKnobs& k) {
            k.mdCutAtCommand = 1;
            k.mdCutAfterWords = 40;
        });
        qputenv("TERVASK_EXTRA_PORTS", chip.portName().toLocal8Bit());

        DownloadDumpWindow window(2);
        show(window);
        fillJob(window, outputPath(), "18000000", "0x2000");
        choosePort(window, chip.portName());
        auto* start = child<QPushButton>(window, "startBtn");
        auto* stop = child<QPushButton>(window, "stopBtn");
        QTest::mouseClick(start, Qt::LeftButton);
        QVERIFY(stop->isEnabled());
        QVERIFY(!start->isEnabled());
        for (const char* name : { "cbCom", "fsCom", "fileBtn", "addrLEdt", "sizeLEdt" })
            QVERIFY2(!child<QWidget>(window, name)->isEnabled(), name);
        QVERIFY(child<QWidget>(window, "saveLEdt")->isEnabled());
        QVERIFY(child<QWidget>(window, "baudCom")->isEnabled());
        // A press on the greyed port list must not re-read it under the job.
        qputenv("TERVASK_EXTRA_PORTS", "/dev/vyn-other-port");
        pressPortList(window);
        QVERIFY(stop->isEnabled());
        QCOMPARE(window.jobSettings()->portName, chip.portName());

        QTRY_VERIFY_WITH_TIMEOUT(!dumpCommands(chip).isEmpty(), 10000);
        QTest::mouseClick(stop, Qt::LeftButton);
        QVERIFY(!stop->isEnabled());
        QVERIFY(child<QWidget>(window, "addrLEdt")->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(start->isEnabled(), 10000);
        const QString log = child<QTextEdit>(window, "teLog")->toPlainText();
        QVERIFY(log.contains("Stop ..."));
        QVERIFY(log.contains("Cancel"));
        QVERIFY(log.contains("Download failed!"));
        QVERIFY(!log.contains("Dump Finished!"));
    }
};

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    DumpWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_dumpwindow.moc"
