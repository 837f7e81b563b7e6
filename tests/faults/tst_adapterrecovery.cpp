// A station in automatic mode whose USB adapter is pulled and plugged back:
// it keeps its normal lines, closes the dead port, opens it again once per
// device wait, and downloads the next chip without a restart.
#include "Crc32Wifi.h"
#include "WorkerHarness.h"

#include <QSignalSpy>
#include <QTemporaryDir>

class AdapterRecoveryTest : public QObject {
    Q_OBJECT

private slots:
    void automaticModeSurvivesAPulledAdapter_data()
    {
        QTest::addColumn<QString>("pulledDuring");
        QTest::newRow("presence checks of a finished chip") << "presence";
        QTest::newRow("a download") << "download";
    }

    void automaticModeSurvivesAPulledAdapter()
    {
        QFETCH(QString, pulledDuring);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString link = dir.filePath("ttyVYN");
        VirtualChip chip;
        QVERIFY(chip.start(link));
        WorkerSettings settings(0);
        settings.portName = link;
        settings.AutoStart = true;
        // The chip is slowed down to this speed for the transfer; an instant chip takes it too.
        settings.BaudRate = QStringLiteral("115200");
        DownloadWorker worker;
        worker.settings = &settings;
        worker.setTiming(WorkerHarness::fastTiming());
        const QByteArray image = pattern(20 * 1024);
        settings.image = image;
        settings.packetCount = 20;
        settings.imageCrc
            = Crc32_wifi(reinterpret_cast<const unsigned char*>(image.constData()), unsigned(image.size()));

        QStringList lines;
        std::mutex lock;
        connect(
            &worker, &DownloadWorker::sngLog, &worker,
            [&](const QString& text) {
                std::lock_guard<std::mutex> guard(lock);
                lines << text;
            },
            Qt::DirectConnection);
        const auto count = [&](const QString& text) {
            std::lock_guard<std::mutex> guard(lock);
            return lines.count(text);
        };
        QSignalSpy chips(&worker, &DownloadWorker::sngChipResult);
        // What a station's tile follows: waiting for a chip, adapter lost, adapter back.
        QStringList station;
        connect(&worker, &DownloadWorker::sngWaitingForChip, &worker, [&] { station << "waiting"; });
        connect(&worker, &DownloadWorker::sngPortLost, &worker,
            [&](bool isLost) { station << (isLost ? "lost" : "back"); });
        const QString lost = "Error: the port " + link + " is lost!";
        const QString refused = WorkerHarness::openRefusal(link, link + ".never");

        std::thread script([&] {
            if (pulledDuring == "presence") {
                if (!WorkerHarness::waitFor([&] { return count("The downloading is successed!") == 1; }))
                    return worker.stop();
            } else {
                chip.configure([](ChipKnobs& k) { k.baud = 115200; });
                if (!WorkerHarness::waitFor([&] { return count("Send XModem...") == 1; }))
                    return worker.stop();
            }
            chip.pullAdapter();
            // Two device waits go by without the adapter: the station keeps trying.
            if (!WorkerHarness::waitFor([&] { return count(refused) >= 2; }))
                return worker.stop();
            chip.configure([](ChipKnobs& k) { k.baud = 0; });
            chip.fillFlash(0x1000, QByteArray(image.size(), char(0xFF)));
            if (!chip.plugAdapter())
                return worker.stop();
            WorkerHarness::waitFor(
                [&] { return count("The downloading is successed!") == (pulledDuring == "presence" ? 2 : 1); });
            worker.stop();
        });
        worker.start(true);
        script.join();

        const QStringList all = lines;
        const int loss = all.indexOf(lost);
        QVERIFY2(loss > 0, qPrintable(all.join(" | ")));
        QCOMPARE(all.count(lost), 1);
        // The dead port is closed at once; the normal lines of a missing chip follow.
        if (pulledDuring == "presence") {
            QCOMPARE(
                all.mid(loss, 3), QStringList({ lost, "Close port " + link, "Enter boot failed,maybe no device!" }));
        } else {
            QCOMPARE(all.mid(loss, 3), QStringList({ lost, "The downloading is failed!", "Close port " + link }));
        }
        const QStringList cycle { "Open port...", refused, "Waiting for plug in...", "Error: Not find a device!",
            "Enter boot failed,maybe no device!" };
        const int firstRetry = all.indexOf("Open port...", loss);
        QCOMPARE(all.mid(firstRetry, 5), cycle);
        QCOMPARE(all.mid(firstRetry + 5, 5), cycle);
        // Back: the port opens again and the new chip is downloaded and verified.
        const int reopened = all.indexOf("Open port...", firstRetry + 10);
        QVERIFY(reopened > 0);
        QCOMPARE(all.value(reopened + 1), QString("Waiting for plug in..."));
        QVERIFY(all.indexOf("The downloading is successed!", reopened) > reopened);
        QCOMPARE(chip.flash(0x1000, image.size()), image);
        QVERIFY(!worker.isPortOpen());

        // The tile stays "lost" through the failed reopenings, and shows "waiting" once the port is back.
        QCOMPARE(station, QStringList({ "waiting", "lost", "back", "waiting" }));

        QList<bool> results;
        for (const QList<QVariant>& signal : chips)
            results << signal.at(0).toBool();
        QCOMPARE(results, pulledDuring == "presence" ? QList<bool>({ true, true }) : QList<bool>({ false, true }));
    }
};

QTEST_GUILESS_MAIN(AdapterRecoveryTest)
#include "tst_adapterrecovery.moc"
