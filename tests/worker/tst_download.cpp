// A whole download on the wire: device wait, erase, partition, XMODEM-1K,
// verification and recovery, against the virtual chip.
#include "WorkerHarness.h"
#include "Xmodem.h"

namespace {

QList<QByteArray> commandsStartingWith(const VirtualChip& chip, const QByteArray& prefix)
{
    QList<QByteArray> found;
    for (const QByteArray& command : chip.commands())
        if (command.startsWith(prefix))
            found.append(command);
    return found;
}

} // namespace

class DownloadTest : public QObject {
    Q_OBJECT

private slots:
    void completeJobWritesTheImage()
    {
        WorkerHarness h;
        const QByteArray image = pattern(5000);
        h.useImage(image);
        h.worker.start(true);

        QCOMPARE(h.finished(), QList<bool>({ true }));
        QCOMPARE(h.chip.flash(0x1000, image.size()), image);
        const QStringList lines = h.texts();
        const QStringList expectedStart { "Open port...", "==============================", "Running...",
            "Waiting for plug in...", "Find a device,enter boot successed!", "Prepare partiton...", "flash 1!",
            "flash 5 2 4096 0 1!", "flash 3!", "flash 6 0 1 vyn6630m 0x1000 0x1000 0x2000!", "mw 40109020 0x2356594E!",
            "flash 3!", "md 4!", "mw 40011004 a8b4!", "mw 40011024 5b10!", "mw 40011000 1!", "Send XModem...", "loadx!",
            "[Send Packet: 4/5]", "[Send Packet: 5/5]", "Verify...", "checksum 1 18001000 5000!", "Verify done.",
            "Download successed!", "Close port " + h.chip.portName() };
        QCOMPARE(lines.mid(0, expectedStart.size()), expectedStart);
        QCOMPARE(lines.size(), expectedStart.size() + 1);
        QVERIFY(lines.last().startsWith("Elapsed: ") && lines.last().endsWith("ms!"));

        QCOMPARE(h.colorOf("Download successed!"), QColor(Qt::green));
        QCOMPARE(h.colorOf("Find a device,enter boot successed!"), QColor(Qt::green));
        QCOMPARE(h.colorOf("Verify done."), QColor(Qt::green));
        QCOMPARE(h.colorOf("Prepare partiton..."), QColor(Qt::white));
        QCOMPARE(h.colorOf("[Send Packet: 5/5]"), QColor(Qt::yellow));
        QCOMPARE(h.colorOf(lines.last()), QColor(Qt::yellow));
        QVERIFY2(commandsStartingWith(h.chip, "flash 6").size() == 1, "no recovery at 0x1000");
    }

    void recoveryRunsAwayFromTheDefaultPartition_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("offset");
        QTest::addColumn<bool>("recovers");
        QTest::newRow("decimal 4096") << "4096" << 0x1000 << false;
        QTest::newRow("0x1000") << "0x1000" << 0x1000 << false;
        QTest::newRow("0x10000") << "0x10000" << 0x10000 << true;
    }

    void recoveryRunsAwayFromTheDefaultPartition()
    {
        QFETCH(QString, address);
        QFETCH(int, offset);
        QFETCH(bool, recovers);
        WorkerHarness h;
        const QByteArray image = pattern(3000, 7);
        h.useImage(image);
        h.settings.downloadAddr = address;
        h.worker.start(true);

        QCOMPARE(h.finished(), QList<bool>({ true }));
        QCOMPARE(h.chip.flash(offset, image.size()), image);
        const QString hex = QString::number(offset, 16);
        QVERIFY(h.texts().contains(QString("flash 6 0 1 vyn6630m 0x%1 0x%1 0x1000!").arg(hex)));
        QVERIFY(h.texts().contains(QString("checksum 1 %1 3000!").arg(0x18000000 + offset, 0, 16)));
        QCOMPARE(h.texts().contains("Recover partiton..."), recovers);
        if (recovers) {
            const QStringList tail = h.texts().mid(h.texts().indexOf("Recover partiton..."), 8);
            QCOMPARE(tail,
                QStringList({ "Recover partiton...", "flash 6 0 1 vyn6630m 0x1000 0x1000 0x1000!", "35% done!",
                    "mw 40109020 0x2356594E!", "70% done!", "flash 3!", "100% done!", "Download successed!" }));
            QCOMPARE(h.chip.partitionAddress(), 0x1000u);
        }
    }

    void packetBoundaries_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<QStringList>("progress");
        QTest::newRow("1024 bytes") << 1024 << QStringList({ "[Send Packet: 1/1]" });
        QTest::newRow("1025 bytes") << 1025 << QStringList({ "[Send Packet: 1/2]", "[Send Packet: 2/2]" });
        QStringList many;
        for (int n = 10; n <= 290; n += 10)
            many << QString("[Send Packet: %1/300]").arg(n);
        many << "[Send Packet: 299/300]"
             << "[Send Packet: 300/300]";
        QTest::newRow("300 packets, block numbers wrap") << 300 * 1024 << many;
    }

    void packetBoundaries()
    {
        QFETCH(int, size);
        QFETCH(QStringList, progress);
        WorkerHarness h;
        const QByteArray image = pattern(size, size);
        h.useImage(image);
        QVERIFY(h.worker.openPort());
        QVERIFY(h.worker.sendXmodem());

        QStringList seen;
        for (const QString& line : h.texts())
            if (line.startsWith("[Send Packet"))
                seen << line;
        QCOMPARE(seen, progress);
        QCOMPARE(h.chip.flash(0x1000, size), image);
        // The last packet is padded with 0x1A up to 1024 bytes.
        const int padded = (size + 1023) / 1024 * 1024;
        QCOMPARE(h.chip.flash(0x1000 + size, padded - size), QByteArray(padded - size, char(0x1A)));
    }

    void startRequestHandling_data()
    {
        QTest::addColumn<bool>("inLoadxReply");
        QTest::addColumn<bool>("ackWithC");
        QTest::addColumn<bool>("nakEot");
        QTest::newRow("C already in the loadx reply") << true << false << false;
        QTest::newRow("C only after the reply") << false << false << false;
        QTest::newRow("ACK and C in one read count as ACK") << true << true << false;
        QTest::newRow("EOT answered by NAK still ends the transfer") << true << false << true;
    }

    void startRequestHandling()
    {
        QFETCH(bool, inLoadxReply);
        QFETCH(bool, ackWithC);
        QFETCH(bool, nakEot);
        WorkerHarness h;
        h.chip.configure([&](ChipKnobs& k) {
            k.startInLoadxReply = inLoadxReply;
            k.startRequestIntervalMs = 100;
            k.ackWithStartChar = ackWithC;
            k.nakEot = nakEot;
        });
        const QByteArray image = pattern(4096 + 10, 3);
        h.useImage(image);
        QVERIFY(h.worker.openPort());
        QVERIFY(h.worker.sendXmodem());
        QCOMPARE(h.chip.flash(0x1000, image.size()), image);
        int packets = 0;
        for (const ChipEvent& event : h.chip.events())
            packets += event.kind == ChipEvent::Packet;
        QCOMPARE(packets, 5);
    }

    void receiverFaults_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("error");
        QTest::addColumn<bool>("succeeds");
        QTest::newRow("NAK once") << "nak" << QString() << true;
        QTest::newRow("CAN") << "can"
                             << "Error: send process break!" << false;
        QTest::newRow("unknown answer") << "strange"
                                        << "Error: recieve data error,?!" << false;
        QTest::newRow("no start request") << "nostart"
                                          << "Error: start xmodem failed!" << false;
        QTest::newRow("EOT never answered") << "noeot"
                                            << "Error:send Xmodem EOT failed!" << false;
    }

    void receiverFaults()
    {
        QFETCH(QString, fault);
        QFETCH(QString, error);
        QFETCH(bool, succeeds);
        WorkerHarness h;
        h.chip.configure([&](ChipKnobs& k) {
            k.nakPacket = fault == "nak" ? 2 : 0;
            k.cancelAtPacket = fault == "can" ? 2 : 0;
            k.strangeAnswerAtPacket = fault == "strange" ? 2 : 0;
            k.ignoreEot = fault == "noeot";
            if (fault == "nostart") {
                k.startInLoadxReply = false;
                k.startRequestIntervalMs = 100000;
            }
        });
        const QByteArray image = pattern(3 * 1024, 5);
        h.useImage(image);
        QVERIFY(h.worker.openPort());
        QCOMPARE(h.worker.sendXmodem(), succeeds);
        if (succeeds) {
            QCOMPARE(h.chip.flash(0x1000, image.size()), image);
        } else {
            QCOMPARE(h.texts().last(), error);
            QCOMPARE(h.colorOf(error), QColor(Qt::red));
        }
    }

    void nakForeverEndsOnlyByStop()
    {
        WorkerHarness h;
        h.chip.configure([](ChipKnobs& k) { k.nakForever = true; });
        h.useImage(pattern(2048));
        QVERIFY(h.worker.openPort());
        h.stopAfter(300);
        QVERIFY(!h.worker.sendXmodem());
        QCOMPARE(h.texts().last(), QString("Cancel"));
        QVERIFY(!h.texts().contains("[Send Packet: 1/2]"));
    }

    void stopDuringTransferFailsTheJob()
    {
        WorkerHarness h;
        h.setBaud(115200);
        h.useImage(pattern(64 * 1024));
        h.stopAfter(700);
        h.worker.start(true);
        const QStringList lines = h.texts();
        QVERIFY(lines.contains("loadx!"));
        const int cancel = lines.indexOf("Cancel");
        QVERIFY(cancel > lines.indexOf("loadx!"));
        QCOMPARE(lines.at(cancel + 1), QString("Download failed!"));
        QCOMPARE(h.colorOf("Download failed!"), QColor(Qt::red));
        QCOMPARE(h.finished(), QList<bool>({ false }));
    }

    void partitionSizeField_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("command");
        QTest::newRow("8192 bytes") << 8192 << "0x1000"
                                    << "flash 6 0 1 vyn6630m 0x1000 0x1000 0x2000";
        QTest::newRow("8193 bytes") << 8193 << "0x1000"
                                    << "flash 6 0 1 vyn6630m 0x1000 0x1000 0x3000";
        QTest::newRow("empty image") << 0 << "0x1000"
                                     << "flash 6 0 1 vyn6630m 0x1000 0x1000 0x0";
        QTest::newRow("decimal address") << 100 << "4096"
                                         << "flash 6 0 1 vyn6630m 0x1000 0x1000 0x1000";
        QTest::newRow("address that is no number") << 100 << "abc"
                                                   << "flash 6 0 1 vyn6630m 0x0 0x0 0x1000";
    }

    void partitionSizeField()
    {
        QFETCH(int, size);
        QFETCH(QString, address);
        QFETCH(QString, command);
        WorkerHarness h;
        h.useImage(pattern(size));
        h.settings.downloadAddr = address;
        QVERIFY(h.worker.openPort());
        QVERIFY(h.worker.preparePartition());
        QCOMPARE(commandsStartingWith(h.chip, "flash 6"), QList<QByteArray>({ command.toLatin1() }));
    }

    void md4Branches_data()
    {
        QTest::addColumn<quint32>("word");
        QTest::addColumn<bool>("lowerCase");
        QTest::addColumn<QList<QByteArray>>("writes");
        QTest::newRow("B0B1") << 0xB0B1u << false
                              << QList<QByteArray>({ "mw 40109020 0x2356594E", "mw 40011004 a8b4", "mw 40011024 5b10",
                                     "mw 40011000 1" });
        QTest::newRow("B12D") << 0xB12Du << false
                              << QList<QByteArray>({ "mw 40109020 0x2356594E", "mw 40011004 a8e8", "mw 40011024 5b44",
                                     "mw 40011000 1" });
        QTest::newRow("lower-case digits match neither")
            << 0xB0B1u << true << QList<QByteArray>({ "mw 40109020 0x2356594E" });
        QTest::newRow("another word") << 0x1234u << false << QList<QByteArray>({ "mw 40109020 0x2356594E" });
    }

    void md4Branches()
    {
        QFETCH(quint32, word);
        QFETCH(bool, lowerCase);
        QFETCH(QList<QByteArray>, writes);
        WorkerHarness h;
        h.chip.configure([&](ChipKnobs& k) {
            k.md4Word = word;
            k.md4LowerCase = lowerCase;
        });
        h.useImage(pattern(100));
        QVERIFY(h.worker.openPort());
        const bool known = writes.size() == 4;
        QCOMPARE(h.worker.preparePartition(), known);
        QCOMPARE(commandsStartingWith(h.chip, "mw "), writes);
        if (!known)
            QCOMPARE(h.texts().last(), QString("Error: data is wrong!"));
    }

    void md4ReplyArrivingInPieces()
    {
        WorkerHarness h;
        // The echo comes first, the word a moment later, as from a busy chip.
        h.chip.configure([](ChipKnobs& k) {
            k.splitReplyAt = 8;
            k.splitPauseMs = 15; // longer than the command wait, shorter than a quiet line
        });
        h.useImage(pattern(100));
        QVERIFY(h.worker.openPort());
        QVERIFY(h.worker.preparePartition());
        QCOMPARE(commandsStartingWith(h.chip, "mw 40011004"), QList<QByteArray>({ "mw 40011004 a8b4" }));
    }

    void verification_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("unitTime");
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<int>("requests");
        QTest::newRow("good") << "" << 600 << "Verify done." << 1;
        QTest::newRow("VerifyUnitTime 0 stands for the default") << "" << 0 << "Verify done." << 1;
        QTest::newRow("lower-case digits") << "lower" << 50 << "Verify done." << 1;
        QTest::newRow("wrong checksum is not asked again")
            << "wrong" << 50 << "Error : verify failed! The correct checksum is: 0x" << 1;
        QTest::newRow("no CRC line") << "unreadable" << 50 << "Error :verify failed,which is unable to read checksum."
                                     << 5;
        QTest::newRow("nothing after the digits")
            << "atdigits" << 50 << "Error :verify failed,which is unable to read checksum." << 5;
    }

    void verification()
    {
        QFETCH(QString, fault);
        QFETCH(int, unitTime);
        QFETCH(QString, outcome);
        QFETCH(int, requests);
        WorkerHarness h;
        const QByteArray image = pattern(2000, 9);
        h.useImage(image);
        h.chip.fillFlash(0x1000, image);
        h.settings.VerifyUnitTime = unitTime;
        h.chip.configure([&](ChipKnobs& k) {
            k.wrongChecksum = fault == "wrong";
            k.unreadableChecksum = fault == "unreadable";
            k.checksumEndsAtDigits = fault == "atdigits";
            k.checksumLowerCase = fault == "lower";
        });
        QVERIFY(h.worker.openPort());
        QCOMPARE(h.worker.verifyImage(), outcome == "Verify done.");
        QVERIFY(h.texts().last().startsWith(outcome));
        QCOMPARE(commandsStartingWith(h.chip, "checksum").size(), requests);
        if (fault == "wrong") {
            QCOMPARE(h.texts().last(), outcome + QString::number(h.settings.imageCrc, 16));
            QVERIFY(h.texts().at(h.texts().size() - 2).contains("CRC32 = 0x"));
            QCOMPARE(h.colorOf(h.texts().at(h.texts().size() - 2)), QColor(Qt::yellow));
        }
    }

    void erase_data()
    {
        QTest::addColumn<int>("completesAt");
        QTest::addColumn<bool>("succeeds");
        QTest::addColumn<int>("resendLines");
        QTest::newRow("first reply") << 1 << true << 0;
        QTest::newRow("sixth reply") << 6 << true << 4;
        QTest::newRow("never") << 0 << false << 4;
    }

    void erase()
    {
        QFETCH(int, completesAt);
        QFETCH(bool, succeeds);
        QFETCH(int, resendLines);
        WorkerHarness h;
        h.chip.fillFlash(0x1000, QByteArray(0x2000, 'x'));
        h.chip.configure([&](ChipKnobs& k) {
            k.eraseNeverCompletes = completesAt == 0;
            k.eraseCompletesAtAttempt = completesAt;
        });
        h.settings.IsErase6620 = true;
        h.settings.EraseAddr6620 = "1000";
        h.settings.EraseSize6620 = "2000";
        QVERIFY(h.worker.openPort());
        QCOMPARE(h.worker.eraseFlash(), succeeds);
        const QList<QByteArray> sent = commandsStartingWith(h.chip, "flash 7");
        QCOMPARE(sent.size(), succeeds ? completesAt : 6);
        QCOMPARE(sent.first(), QByteArray("flash 7 18001000 2000"));
        QCOMPARE(h.count("resend cmd.........."), resendLines);
        if (resendLines > 0)
            QCOMPARE(h.colorOf("resend cmd.........."), QColor(Qt::white));
        QCOMPARE(h.texts().last(), QString(succeeds ? "Successed to erase." : "Error: failed to erase."));
        if (succeeds)
            QCOMPARE(h.chip.flash(0x1000, 0x2000), QByteArray(0x2000, char(0xFF)));
    }

    void eraseSwitchedOffSendsNothing()
    {
        WorkerHarness h;
        QVERIFY(h.worker.openPort());
        h.clearLog();
        QVERIFY(h.worker.eraseFlash());
        QVERIFY(h.texts().isEmpty());
        QVERIFY(h.chip.commands().isEmpty());
    }
};

QTEST_GUILESS_MAIN(DownloadTest)
#include "tst_download.moc"
