// The flash-test window against a virtual chip: start-up, controls, image
// checks, whole jobs, Stop, test mode, counters, language, log saving, close.
#include "Crc32Wifi.h"
#include "WindowRig.h"

#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTextBlock>

#include <sys/stat.h>

namespace {
const int jobTimeoutMs = 20000;

QString storedValue(const WindowRig& rig, const QString& key)
{
    QSettings ini(rig.folder.path("cfg/tervask.ini"), QSettings::IniFormat);
    return ini.value("download/" + key).toString();
}

LinkTiming longChipWait()
{
    LinkTiming timing = WorkerHarness::fastTiming();
    timing.newChipWait = std::chrono::milliseconds(30000);
    return timing;
}
} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Keeps the file dialog's remembered folder out of the user's own settings.
        QStandardPaths::setTestModeEnabled(true);
    }

    void startsWithDefaultsWithoutCfgFolder()
    {
        WindowRig rig;
        rig.open();
        QCOMPARE(rig.window->windowTitle(), QString("VYN Tervask Tool V01.00.12"));
        QCOMPARE(rig.settings().language, QString("English"));
        QCOMPARE(rig.widget<QComboBox>("cbCom")->count(), 0);
        QVERIFY(rig.settings().portName.isEmpty());
        QVERIFY(!rig.button("startBtn")->isEnabled());
        QVERIFY(!rig.button("stopBtn")->isEnabled());
        QVERIFY(rig.button("setupBtn")->isEnabled());
        QVERIFY(rig.widget<QLineEdit>("Binfile2LEdt")->isHidden());
        QVERIFY(rig.button("exitBtn")->isHidden());
        QCOMPARE(rig.counters(), QStringList({ "Total: 0", "PASS: 0", "FAIL: 0", "FPY: 0%" }));
        QCOMPARE(rig.widget<QTextEdit>("teLog")->styleSheet(),
            QString("QTextEdit {font: times bold 13pt; background: black }"));
    }

    void testModeShowsTheSecondRow()
    {
        WindowRig rig;
        rig.open({ { "AutoTest", true }, { "File2Name", "missing2.bin" } });
        QVERIFY(!rig.widget<QLineEdit>("Binfile2LEdt")->isHidden());
        QVERIFY(!rig.button("file2Btn")->isHidden());
        QVERIFY(!rig.button("exitBtn")->isHidden());
        QCOMPARE(rig.widget<QLineEdit>("Binfile2LEdt")->text(), QString("missing2.bin"));
    }

    void missingFileIsRedAndBlocksStart()
    {
        WindowRig rig;
        rig.open({ { "FileName", "missing.bin" }, { "AutoTest", true }, { "File2Name", "missing2.bin" } });
        QLineEdit* first = rig.widget<QLineEdit>("BinfileLEdt");
        QLineEdit* second = rig.widget<QLineEdit>("Binfile2LEdt");
        QCOMPARE(first->styleSheet(), QString("color: rgb(255, 0, 0);"));
        QCOMPARE(second->styleSheet(), QString("color: rgb(255, 0, 0);"));
        rig.choosePort();
        QCOMPARE(rig.settings().portName, rig.chip.portName());
        QVERIFY(!rig.button("startBtn")->isEnabled());

        rig.folder.writeFile("image.bin", 100);
        first->setText(rig.folder.path("image.bin"));
        QCOMPARE(rig.settings().FileName, rig.folder.path("image.bin"));
        QCOMPARE(first->styleSheet(), QString());
        // A missing second image shows red but does not block Start.
        QCOMPARE(second->styleSheet(), QString("color: rgb(255, 0, 0);"));
        QVERIFY(rig.button("startBtn")->isEnabled());
    }

    void pressOnThePortListRereadsIt()
    {
        WindowRig rig;
        rig.folder.writeFile("image.bin", 100);
        rig.open({ { "FileName", rig.folder.path("image.bin") } });
        rig.choosePort();
        QVERIFY(rig.widget<QComboBox>("cbCom")->findText(rig.chip.portName()) >= 0);
        QVERIFY(rig.button("startBtn")->isEnabled());

        // The chosen port stays chosen while it is listed...
        QComboBox* ports = rig.widget<QComboBox>("cbCom");
        QTest::mousePress(ports, Qt::LeftButton);
        ports->hidePopup();
        QCOMPARE(ports->currentText(), rig.chip.portName());

        // ...and a vanished one leaves no selection.
        qputenv("TERVASK_EXTRA_PORTS", "/dev/vyn-other-port");
        QTest::mousePress(ports, Qt::LeftButton);
        ports->hidePopup();
        QCOMPARE(ports->currentIndex(), -1);
        QVERIFY(rig.settings().portName.isEmpty());
        QVERIFY(!rig.button("startBtn")->isEnabled());
    }

    void firstImageSizeLimit_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("flash less 0x1000") << 0xFF000 << true;
        QTest::newRow("one byte more") << 0xFF001 << false;
    }

    void firstImageSizeLimit()
    {
        QFETCH(int, size);
        QFETCH(bool, accepted);
        WindowRig rig;
        const QByteArray image = rig.folder.writeFile("image.bin", size);
        rig.chip.unplug();
        rig.open({ { "FileName", rig.folder.path("image.bin") } }, longChipWait());
        rig.choosePort();
        if (!accepted)
            rig.answerer.clickButton(QMessageBox::Ok);
        rig.button("startBtn")->click();
        QVERIFY(rig.answerer.allAnswered());
        if (accepted) {
            QVERIFY(rig.button("stopBtn")->isEnabled());
            QCOMPARE(rig.settings().image.size(), size);
            QCOMPARE(rig.settings().packetCount, (size + 1023) / 1024);
            QCOMPARE(rig.settings().imageCrc,
                Crc32_wifi(reinterpret_cast<const unsigned char*>(image.constData()), unsigned(image.size())));
            rig.button("stopBtn")->click();
            QTRY_VERIFY_WITH_TIMEOUT(rig.button("startBtn")->isEnabled(), jobTimeoutMs);
        } else {
            const QString text = "The size of file: " + rig.folder.path("image.bin") + " is out of range!";
            QCOMPARE(rig.answerer.titles, QStringList({ "Error" }));
            QCOMPARE(rig.answerer.texts, QStringList({ text }));
            QCOMPARE(rig.log(), text);
            QVERIFY(rig.settings().image.isEmpty());
            QCOMPARE(rig.settings().packetCount, 0);
            QVERIFY(rig.button("startBtn")->isEnabled());
            QVERIFY(!rig.button("stopBtn")->isEnabled());
        }
    }

    // A file that cannot be read as an image is refused before anything is
    // read: neither a FIFO (whose open would block) nor a huge file is read.
    void unreadableImagesAreRefused_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message");
        QTest::newRow("fifo") << "fifo"
                              << "Can't load %1";
        QTest::newRow("folder") << "folder"
                                << "Can't load %1";
        QTest::newRow("3 GiB, sparse") << "huge"
                                       << "The size of file: %1 is out of range!";
    }

    void unreadableImagesAreRefused()
    {
        QFETCH(QString, kind);
        QFETCH(QString, message);
        WindowRig rig;
        const QString path = rig.folder.path("image.bin");
        if (kind == "fifo") {
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        } else if (kind == "folder") {
            QVERIFY(QDir().mkpath(path));
        } else {
            QFile huge(path);
            QVERIFY(huge.open(QIODevice::WriteOnly));
            QVERIFY(huge.resize(3LL * 1024 * 1024 * 1024));
        }
        rig.open({ { "FileName", path } });
        rig.choosePort();
        QVERIFY(rig.button("startBtn")->isEnabled());
        rig.answerer.clickButton(QMessageBox::Ok);
        rig.button("startBtn")->click();
        QVERIFY(rig.answerer.allAnswered());
        QCOMPARE(rig.answerer.texts, QStringList({ message.arg(path) }));
        QVERIFY(rig.settings().image.isEmpty());
        QVERIFY(!rig.button("stopBtn")->isEnabled());
    }

    // In test mode the second job loads the second image, whose limit is the
    // flash less the download address. The first job fails fast (no chip).
    void secondImageSizeLimit_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("flash less 0x10000") << 983040 << true;
        QTest::newRow("one byte more") << 983041 << false;
    }

    void secondImageSizeLimit()
    {
        QFETCH(int, size);
        QFETCH(bool, accepted);
        WindowRig rig;
        rig.folder.writeFile("one.bin", 2048);
        rig.folder.writeFile("two.bin", size);
        rig.chip.unplug();
        rig.open({ { "FileName", rig.folder.path("one.bin") }, { "AutoTest", true },
            { "File2Name", rig.folder.path("two.bin") }, { "downloadAddr", "0x10000" } });
        rig.choosePort();
        if (!accepted)
            rig.answerer.clickButton(QMessageBox::Ok);
        rig.button("startBtn")->click();
        QTRY_COMPARE_WITH_TIMEOUT(rig.label("Faillb"), QString("FAIL: 1"), jobTimeoutMs);
        if (accepted) {
            QTRY_COMPARE_WITH_TIMEOUT(rig.settings().image.size(), size, 5000);
        } else {
            const QString text = "The size of file: " + rig.folder.path("two.bin") + " is out of range!";
            QTRY_COMPARE_WITH_TIMEOUT(rig.answerer.texts, QStringList({ text }), 5000);
            QVERIFY(rig.log().endsWith(text));
            QVERIFY(rig.settings().image.isEmpty());
        }
        // Either way the run goes on until the operator stops it.
        QVERIFY(rig.button("stopBtn")->isEnabled());
        rig.button("stopBtn")->click();
        QTRY_VERIFY_WITH_TIMEOUT(rig.button("startBtn")->isEnabled(), jobTimeoutMs);
    }

    // The speed chosen in the setup dialog is the line's: the chip runs at
    // 460800 and garbles anything at the default speed.
    void wholeJobsCountPassesAndFailures()
    {
        WindowRig rig;
        rig.chip.configure([](ChipKnobs& k) { k.baud = 460800; });
        const QByteArray image = rig.folder.writeFile("image.bin", 5000);
        rig.open({ { "FileName", rig.folder.path("image.bin") } });
        rig.choosePort();
        rig.answerer.handle([](QWidget* dialog) {
            auto* baud = dialog->findChild<QComboBox*>("baudrateCombox");
            baud->setCurrentIndex(baud->findText("460800"));
            dialog->findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Ok)->click();
        });
        rig.button("setupBtn")->click();
        QVERIFY(rig.answerer.allAnswered());
        rig.button("startBtn")->click();
        QVERIFY(!rig.button("startBtn")->isEnabled());
        QVERIFY(!rig.button("setupBtn")->isEnabled());
        QVERIFY(!rig.widget<QComboBox>("cbCom")->isEnabled());
        QVERIFY(rig.button("stopBtn")->isEnabled());
        QTRY_COMPARE_WITH_TIMEOUT(rig.label("Totallb"), QString("Total: 1"), jobTimeoutMs);
        QCOMPARE(rig.counters(), QStringList({ "Total: 1", "PASS: 1", "FAIL: 0", "FPY: 100%" }));
        QVERIFY(rig.log().contains("Download successed!"));
        QCOMPARE(rig.chip.flash(0x1000, image.size()), image);
        QCOMPARE(rig.chip.hostLine().baud, 460800);
        QCOMPARE(rig.widget<QProgressBar>("progressBar")->maximum(), 5);
        QCOMPARE(rig.widget<QProgressBar>("progressBar")->value(), 5);
        QVERIFY(rig.button("startBtn")->isEnabled());
        QVERIFY(!rig.button("stopBtn")->isEnabled());

        rig.chip.configure([](ChipKnobs& k) { k.wrongChecksum = true; });
        rig.button("startBtn")->click();
        QTRY_COMPARE_WITH_TIMEOUT(rig.label("Totallb"), QString("Total: 2"), jobTimeoutMs);
        QCOMPARE(rig.counters(), QStringList({ "Total: 2", "PASS: 1", "FAIL: 1", "FPY: 50%" }));
        // Start clears the log but not the counters.
        QCOMPARE(rig.log().count("Running..."), 1);
        QVERIFY(rig.log().contains("Download failed!"));

        // The yield is cut, not rounded: 2 of 3 is 66%.
        rig.chip.configure([](ChipKnobs& k) { k.wrongChecksum = false; });
        rig.button("startBtn")->click();
        QTRY_COMPARE_WITH_TIMEOUT(rig.label("Totallb"), QString("Total: 3"), jobTimeoutMs);
        QCOMPARE(rig.counters(), QStringList({ "Total: 3", "PASS: 2", "FAIL: 1", "FPY: 66%" }));

        rig.button("resetBtn")->click();
        QCOMPARE(rig.counters(), QStringList({ "Total: 0", "PASS: 0", "FAIL: 0", "FPY: 0%" }));
        rig.button("startBtn")->click();
        QTRY_COMPARE_WITH_TIMEOUT(
            rig.counters(), QStringList({ "Total: 1", "PASS: 1", "FAIL: 0", "FPY: 100%" }), jobTimeoutMs);
    }

    // Start stays disabled until the stopped job has really ended, so the
    // record is never rewritten under it; nothing else may rewrite it either.
    void stopDuringAJob()
    {
        WindowRig rig;
        rig.folder.writeFile("image.bin", 3000);
        rig.chip.unplug();
        rig.open({ { "FileName", rig.folder.path("image.bin") } }, longChipWait());
        rig.choosePort();
        rig.button("startBtn")->click();
        QTRY_VERIFY_WITH_TIMEOUT(rig.log().contains("Waiting for plug in..."), jobTimeoutMs);

        // A press on the greyed port list (Qt passes it to event filters) must
        // not re-read the ports: the job keeps its port and stays stoppable.
        qputenv("TERVASK_EXTRA_PORTS", "/dev/vyn-other-port");
        QComboBox* ports = rig.widget<QComboBox>("cbCom");
        QTest::mousePress(ports, Qt::LeftButton);
        ports->hidePopup();
        QCOMPARE(ports->currentText(), rig.chip.portName());
        QCOMPARE(rig.settings().portName, rig.chip.portName());
        QCOMPARE(rig.settings().FileName, rig.folder.path("image.bin"));
        QVERIFY(rig.button("stopBtn")->isEnabled());
        QVERIFY(!rig.button("fileBtn")->isEnabled());

        rig.button("stopBtn")->click();
        QVERIFY(rig.log().contains("Stop ..."));
        QVERIFY(!rig.button("stopBtn")->isEnabled());
        QVERIFY(!rig.button("startBtn")->isEnabled());
        QVERIFY(!rig.button("setupBtn")->isEnabled());
        QVERIFY(rig.widget<QLineEdit>("BinfileLEdt")->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(rig.button("startBtn")->isEnabled(), jobTimeoutMs);
        QVERIFY(rig.button("setupBtn")->isEnabled());
        QCOMPARE(rig.counters(), QStringList({ "Total: 1", "PASS: 0", "FAIL: 1", "FPY: 0%" }));
    }

    void testModeAlternatesAndRestartsAfterTwoSeconds()
    {
        WindowRig rig;
        const QByteArray one = rig.folder.writeFile("one.bin", 3000, 1);
        const QByteArray two = rig.folder.writeFile("two.bin", 2000, 77);
        rig.open({ { "FileName", rig.folder.path("one.bin") }, { "AutoTest", true },
            { "File2Name", rig.folder.path("two.bin") } });
        rig.choosePort();
        rig.button("startBtn")->click();
        QTRY_COMPARE_WITH_TIMEOUT(rig.label("Passlb"), QString("PASS: 1"), jobTimeoutMs);
        QElapsedTimer sinceFirstEnd;
        sinceFirstEnd.start();
        QCOMPARE(rig.chip.flash(0x1000, one.size()), one);
        QVERIFY(rig.log().contains("Test successed!"));
        QVERIFY(rig.chip.commands().contains("flash 1"));
        const int firstJobCommands = int(rig.chip.commands().size());
        // Still running while it waits for the next job.
        QVERIFY(rig.button("stopBtn")->isEnabled());
        QVERIFY(!rig.button("startBtn")->isEnabled());

        QTRY_COMPARE_WITH_TIMEOUT(rig.log().count("Running..."), 2, 5000);
        QVERIFY(sinceFirstEnd.elapsed() >= 1900);
        QTRY_COMPARE_WITH_TIMEOUT(rig.label("Passlb"), QString("PASS: 2"), jobTimeoutMs);
        QCOMPARE(rig.chip.flash(0x1000, two.size()), two);
        const QList<QByteArray> secondJob = rig.chip.commands().mid(firstJobCommands);
        QVERIFY(secondJob.contains("loadx"));
        QVERIFY(!secondJob.contains("flash 1"));

        // Stop during the wait ends the run: no third job.
        rig.button("stopBtn")->click();
        QVERIFY(rig.button("startBtn")->isEnabled());
        QVERIFY(rig.log().endsWith("Stop ..."));
        QTest::qWait(2500); // longer than the restart delay: nothing may start
        QCOMPARE(rig.log().count("Running..."), 2);
        QCOMPARE(rig.label("Totallb"), QString("Total: 2"));

        // Start begins again with the first image, on a cleared log.
        rig.button("startBtn")->click();
        QCOMPARE(rig.settings().image, one);
        QVERIFY(!rig.log().contains("Stop ..."));
        QTRY_COMPARE_WITH_TIMEOUT(rig.label("Passlb"), QString("PASS: 3"), jobTimeoutMs);
        rig.button("stopBtn")->click();
    }

    // In automatic mode each chip counts once, the end of the run not at all.
    void automaticModeCountsEachChip()
    {
        WindowRig rig;
        rig.folder.writeFile("image.bin", 2000);
        rig.open({ { "FileName", rig.folder.path("image.bin") }, { "AutoStart", true } });
        rig.choosePort();
        rig.button("startBtn")->click();
        QTRY_COMPARE_WITH_TIMEOUT(rig.label("Passlb"), QString("PASS: 1"), jobTimeoutMs);
        QCOMPARE(rig.counters(), QStringList({ "Total: 1", "PASS: 1", "FAIL: 0", "FPY: 100%" }));
        rig.button("stopBtn")->click();
        QTRY_VERIFY_WITH_TIMEOUT(rig.button("startBtn")->isEnabled(), jobTimeoutMs);
        QVERIFY(rig.log().contains("The downloading is canceled!"));
        QCOMPARE(rig.counters(), QStringList({ "Total: 1", "PASS: 1", "FAIL: 0", "FPY: 100%" }));
    }

    void languageSwitch()
    {
        WindowRig rig;
        rig.chip.unplug();
        rig.folder.writeFile("image.bin", 100);
        rig.open({ { "FileName", rig.folder.path("image.bin") } });
        rig.choosePort();
        rig.button("startBtn")->click();
        QTRY_COMPARE_WITH_TIMEOUT(rig.label("Faillb"), QString("FAIL: 1"), jobTimeoutMs);

        QList<QRadioButton*> radios = rig.window->findChildren<QRadioButton*>();
        QCOMPARE(radios.size(), 2);
        QRadioButton* english = radios[0]->text() == "English" ? radios[0] : radios[1];
        QRadioButton* chinese = radios[0] == english ? radios[1] : radios[0];
        QVERIFY(english->isChecked());

        chinese->click();
        QCOMPARE(rig.settings().language, QString("Chinese"));
        QCOMPARE(rig.button("startBtn")->text(), QString::fromUtf8("开始"));
        QCOMPARE(chinese->text(), QString::fromUtf8("中文"));
        QCOMPARE(rig.window->windowTitle(), QString("VYN Tervask Tool V01.00.12"));
        // The counts survive the retranslation.
        QCOMPARE(rig.label("Faillb"), QString::fromUtf8("失败：1"));
        QCOMPARE(rig.label("Totallb"), QString::fromUtf8("总数：1"));
        // Qt's own texts, such as the buttons of message boxes, follow.
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "&Yes"), QString::fromUtf8("是(&Y)"));

        english->click();
        QCOMPARE(rig.settings().language, QString("English"));
        QCOMPARE(rig.button("startBtn")->text(), QString("Start"));
        QCOMPARE(rig.button("setupBtn")->text(), QString("Steup"));
        QCOMPARE(rig.label("Faillb"), QString("FAIL: 1"));
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "&Yes"), QString("&Yes"));
    }

    void lowerCaseChineseStartsInEnglish_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("startText");
        QTest::newRow("Chinese") << "Chinese" << QString::fromUtf8("开始");
        QTest::newRow("chinese") << "chinese"
                                 << "Start";
    }

    void lowerCaseChineseStartsInEnglish()
    {
        QFETCH(QString, stored);
        QFETCH(QString, startText);
        WindowRig rig;
        rig.open({ { "language", stored } });
        QCOMPARE(rig.button("startBtn")->text(), startText);
        rig.answerer.clickButton(QMessageBox::Yes);
        QVERIFY(rig.window->close());
        QCOMPARE(storedValue(rig, "language"), stored == "Chinese" ? stored : QString("English"));
    }

    // The configuration is stored before the question, whatever the answer.
    void closeAsksAndStoresFirst()
    {
        WindowRig rig;
        rig.folder.writeFile("image.bin", 3000);
        rig.chip.unplug();
        rig.open({ { "FileName", rig.folder.path("image.bin") } }, longChipWait());
        rig.choosePort();
        rig.widget<QLineEdit>("BinfileLEdt")->setText("changed.bin");
        rig.answerer.clickButton(QMessageBox::No);
        QVERIFY(!rig.window->close());
        QVERIFY(rig.answerer.allAnswered());
        QCOMPARE(rig.answerer.titles, QStringList({ "Close Confirmation?" }));
        QCOMPARE(rig.answerer.texts, QStringList({ "Are you sure you want to exit?" }));
        QVERIFY(rig.window->isVisible());
        QCOMPARE(storedValue(rig, "FileName"), QString("changed.bin"));

        rig.widget<QLineEdit>("BinfileLEdt")->setText(rig.folder.path("image.bin"));
        rig.button("startBtn")->click();
        QTRY_VERIFY_WITH_TIMEOUT(rig.log().contains("Waiting for plug in..."), jobTimeoutMs);
        rig.answerer.clickButton(QMessageBox::No);
        QVERIFY(!rig.window->close());
        QVERIFY(rig.button("stopBtn")->isEnabled());
        QVERIFY(!rig.log().contains("Stop ..."));

        rig.answerer.clickButton(QMessageBox::Yes);
        QVERIFY(rig.window->close());
        QVERIFY(!rig.window->isVisible());
        QVERIFY(rig.log().contains("Stop ..."));
        // Close returns once the stopped job has ended (and been counted).
        QCOMPARE(rig.label("Faillb"), QString("FAIL: 1"));
        QElapsedTimer joined;
        joined.start();
        rig.window.reset();
        QVERIFY(joined.elapsed() < 10000);
    }

    void aboutBox()
    {
        WindowRig rig;
        rig.open();
        rig.answerer.clickButton(QMessageBox::Ok);
        for (QAction* action : rig.window->findChildren<QAction*>()) {
            if (action->text() == "About")
                action->trigger();
        }
        QVERIFY(rig.answerer.allAnswered());
        QCOMPARE(rig.answerer.titles, QStringList({ "About tervask tool" }));
        QVERIFY(rig.answerer.texts.value(0).startsWith("VYN tervask tool V01.00.12\n"));
        QVERIFY(rig.answerer.texts.value(0).contains("2020-10-22"));
    }

    void saveLog_data()
    {
        QTest::addColumn<bool>("withLine");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("outcome");
        QTest::newRow("empty log") << false << "empty.log"
                                   << "Save log successfully!";
        QTest::newRow("one line, UTF-8") << true << "line.log"
                                         << "Save log successfully!";
        // Nothing can be created below a plain file, not even by root.
        QTest::newRow("read-only place") << true << "plain.bin/tervask.log"
                                         << "Failed to open log file!";
        QTest::newRow("write fails") << true << "full.log"
                                     << "Failed to write log file!";
    }

    void saveLog()
    {
        QFETCH(bool, withLine);
        QFETCH(QString, target);
        QFETCH(QString, outcome);
        WindowRig rig;
        // A folder can be named but not read as an image: a red line naming it.
        const QString folderImage = rig.folder.path(QString::fromUtf8("固件.bin"));
        QVERIFY(QDir().mkpath(folderImage));
        rig.open({ { "FileName", folderImage } });
        QString expected;
        if (withLine) {
            rig.choosePort();
            rig.answerer.clickButton(QMessageBox::Ok);
            rig.button("startBtn")->click();
            expected = "Error: can't load " + folderImage;
            QCOMPARE(rig.log(), expected);
        }
        rig.folder.writeFile("plain.bin", 10);
        const QString path = rig.folder.path(target);
        // Every write to this device fails after the open has succeeded.
        if (target == "full.log")
            QVERIFY(QFile::link("/dev/full", path));
        rig.answerer.chooseFile(path);
        if (QFileInfo::exists(path))
            rig.answerer.clickButton(QMessageBox::Yes); // the dialog asks before replacing a file
        for (QAction* action : rig.window->findChildren<QAction*>()) {
            if (action->text() == "Save log")
                action->trigger();
        }
        QCOMPARE(rig.answerer.titles.value(withLine ? 1 : 0), QString("Open log file"));

        const QStringList lines = rig.log().split('\n');
        QCOMPARE(lines.last(), outcome);
        QCOMPARE(lines.size(), withLine ? 2 : 1);
        const QColor colour = rig.widget<QTextEdit>("teLog")
                                  ->document()
                                  ->lastBlock()
                                  .begin()
                                  .fragment()
                                  .charFormat()
                                  .foreground()
                                  .color();
        QCOMPARE(colour, outcome == "Save log successfully!" ? QColor(Qt::green) : QColor(Qt::red));
        if (outcome == "Save log successfully!") {
            QFile saved(path);
            QVERIFY(saved.open(QIODevice::ReadOnly));
            QCOMPARE(saved.readAll(), expected.toUtf8());
        }
    }
};

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
