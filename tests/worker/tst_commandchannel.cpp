// The serial link and the command channel against the virtual chip.
#include "WorkerHarness.h"

#include <QSerialPort>
#include <QTemporaryDir>

class CommandChannelTest : public QObject {
    Q_OBJECT

private slots:
    void portThatCannotBeOpened()
    {
        WorkerHarness h;
        h.settings.portName = QStringLiteral("/dev/vyn-no-such-port");
        h.worker.start(true);
        const QString refusal = WorkerHarness::openRefusal(h.settings.portName);
        QCOMPARE(h.texts(), QStringList({ "Open port...", refusal }));
        QCOMPARE(h.colorOf("Open port..."), QColor(Qt::white));
        QCOMPARE(h.colorOf(refusal), QColor(Qt::red));
        QCOMPARE(h.finished(), QList<bool>({ false }));
    }

    void reopeningClosesFirst()
    {
        WorkerHarness h;
        QVERIFY(h.worker.openPort());
        QVERIFY(h.worker.openPort());
        QCOMPARE(h.texts(), QStringList({ "Open port...", "Open port...", "Close port " + h.chip.portName() }));
        QVERIFY(h.worker.isPortOpen());
        QVERIFY(h.worker.closePort());
        QVERIFY(!h.worker.isPortOpen());
        QVERIFY(h.worker.closePort());
        QCOMPARE(h.count("Close port " + h.chip.portName()), 2);
    }

    void echoWithPromptIsAcceptedAtOnce()
    {
        WorkerHarness h;
        QVERIFY(h.worker.openPort());
        QVERIFY(h.worker.sendCommand("flash 1", 10));
        QCOMPARE(h.chip.commands(), QList<QByteArray>({ "flash 1" }));
        QVERIFY(h.worker.reply().contains("flash 1\r\nBoot >"));
        QCOMPARE(h.texts().last(), QString("flash 1!"));
        QCOMPARE(h.colorOf("flash 1!"), QColor(Qt::yellow));
    }

    void rejectedCommandIsResentThenGivenUp_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::newRow("usage in reply") << "usage";
        QTest::newRow("unknown command") << "unknown";
        QTest::newRow("silent console") << "silent";
    }

    void rejectedCommandIsResentThenGivenUp()
    {
        QFETCH(QString, fault);
        WorkerHarness h;
        h.chip.configure([&](ChipKnobs& k) {
            k.usageReply = fault == "usage";
            k.silent = fault == "silent";
        });
        QVERIFY(h.worker.openPort());
        const QByteArray command = fault == "unknown" ? "flash 9 typo" : "flash 3";
        QVERIFY(!h.worker.sendCommand(command, 10));
        QCOMPARE(h.chip.commands().size(), 21);
        QCOMPARE(h.count("resend command..."), 20);
        QCOMPARE(h.colorOf("resend command..."), QColor(Qt::lightGray));
        QCOMPARE(h.count(QString::fromLatin1(command) + "!"), 1);
        QCOMPARE(h.texts().last(), QString("Error: fail to write command!"));
        QCOMPARE(h.colorOf("Error: fail to write command!"), QColor(Qt::red));
    }

    void missingEchoesAreResent()
    {
        WorkerHarness h;
        h.chip.configure([](ChipKnobs& k) { k.dropEchoes = 3; });
        QVERIFY(h.worker.openPort());
        QVERIFY(h.worker.sendCommand("flash 3", 10));
        QCOMPARE(h.chip.commands().size(), 4);
        QCOMPARE(h.count("resend command..."), 3);
    }

    void slowLinesDeliverTheEchoInPieces_data()
    {
        QTest::addColumn<int>("baud");
        QTest::addColumn<int>("latencyMs");
        QTest::newRow("57600 baud") << 57600 << 0;
        QTest::newRow("19200 baud") << 19200 << 0;
        QTest::newRow("115200 baud, 16 ms adapter") << 115200 << 16;
    }

    void slowLinesDeliverTheEchoInPieces()
    {
        QFETCH(int, baud);
        QFETCH(int, latencyMs);
        WorkerHarness h;
        h.setBaud(baud, latencyMs);
        QVERIFY(h.worker.openPort());
        QVERIFY(h.worker.sendCommand("flash 6 0 1 vyn6630m 0x10000 0x10000 0x13000", 10));
        QCOMPARE(h.count("resend command..."), 0);
        QCOMPARE(h.chip.commands().size(), 1);
    }

    void leftOversOfEarlierRepliesAreNotTheEcho()
    {
        WorkerHarness h;
        h.setBaud(9600);
        QVERIFY(h.worker.openPort());
        h.chip.announceReady();
        QVERIFY(
            WorkerHarness::waitFor([&h] { return h.chip.bytesSent() == 14; })); // "\r\nBoot abort\r\n" is in the port
        QVERIFY(h.worker.sendCommand("flash 1", 10));
        QCOMPARE(h.count("resend command..."), 0);
        QVERIFY(!h.worker.reply().contains("Boot abort"));
    }

    void echoSplitFromItsReplyIsAccepted()
    {
        WorkerHarness h;
        h.chip.configure([](ChipKnobs& k) { k.splitReplyAt = 9; }); // "md 4\r\n[0x" | rest
        QVERIFY(h.worker.openPort());
        QVERIFY(h.worker.sendCommand("md 4", 10));
        QCOMPARE(h.count("resend command..."), 0);
    }

    void echoSplitInTheMiddleIsNotAnEcho()
    {
        WorkerHarness h;
        h.chip.configure([](ChipKnobs& k) {
            k.splitReplyAt = 3;
            k.splitPauseMs = 120;
        });
        QVERIFY(h.worker.openPort());
        QVERIFY(!h.worker.sendCommand("flash 1", 10));
        QVERIFY(!h.worker.reply().contains("flash 1"));
    }

    void stopDuringResendsCancels()
    {
        WorkerHarness h;
        h.chip.configure([](ChipKnobs& k) { k.silent = true; });
        QVERIFY(h.worker.openPort());
        h.stopAfter(200);
        QVERIFY(!h.worker.sendCommand("flash 1", 10));
        QCOMPARE(h.texts().last(), QString("Cancel"));
        QCOMPARE(h.colorOf("Cancel"), QColor(Qt::red));
        QVERIFY(h.chip.commands().size() < 21);
        QVERIFY(h.texts().contains("Stop ..."));
        QVERIFY(!h.texts().contains("Error: fail to write command!"));
    }

    // Each kind of line leaves the worker with the line end the console needs,
    // and the harness's strict console executes none with another line end.
    void lineEndsAsTheConsoleNeedsThem_data()
    {
        QTest::addColumn<int>("workMode");
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QByteArray>("terminator");
        QTest::addColumn<QList<QByteArray>>("wrongTerminators");
        QTest::newRow("knock: CR") << 0 << QByteArray() << QByteArray("\r") << QList<QByteArray> { "\n", "\r\n" };
        QTest::newRow("command: CR") << 0 << QByteArray("flash 1") << QByteArray("\r")
                                     << QList<QByteArray> { "\n", "\r\n" };
        QTest::newRow("erase: LF") << 0 << QByteArray("flash 7 18001000 2000") << QByteArray("\n")
                                   << QList<QByteArray> { "\r", "\r\n" };
        QTest::newRow("dump: CR LF") << 2 << QByteArray("md 18000000 64") << QByteArray("\r\n")
                                     << QList<QByteArray> { "\r", "\n" };
    }

    void lineEndsAsTheConsoleNeedsThem()
    {
        QFETCH(int, workMode);
        QFETCH(QByteArray, line);
        QFETCH(QByteArray, terminator);
        QFETCH(QList<QByteArray>, wrongTerminators);
        QTemporaryDir dir;
        WorkerHarness h(workMode);
        h.settings.IsErase6620 = true;
        h.settings.EraseAddr6620 = "0x1000";
        h.settings.EraseSize6620 = "0x2000";
        h.settings.DumpAddr = "18000000";
        h.settings.DumpSize = "0x40";
        h.settings.SaveFile = dir.filePath("dump.bin");
        QVERIFY(h.worker.openPort());
        if (line.isEmpty())
            QVERIFY(h.worker.waitDevice());
        else if (line.startsWith("flash 7"))
            QVERIFY(h.worker.eraseFlash());
        else if (line.startsWith("md"))
            QVERIFY(h.worker.dumpFlash());
        else
            QVERIFY(h.worker.sendCommand(line, 10));
        const auto linesSeen = [&h](ChipEvent::Kind kind) {
            QList<QByteArray> seen;
            for (const ChipEvent& event : h.chip.events())
                if (event.kind == kind)
                    seen.append(event.text + event.terminator);
            return seen;
        };
        QVERIFY2(linesSeen(line.isEmpty() ? ChipEvent::Knock : ChipEvent::Command).contains(line + terminator),
            linesSeen(ChipEvent::Command).join('|'));
        QVERIFY(h.worker.closePort());

        QSerialPort port(h.chip.portName());
        port.setBaudRate(h.settings.BaudRate.toInt());
        QVERIFY(port.open(QIODevice::ReadWrite));
        // The prompts to the worker's last knocks may still be on their way: let them land and drop them.
        while (port.waitForReadyRead(100))
            port.readAll();
        for (const QByteArray& wrong : wrongTerminators) {
            h.chip.clearEvents();
            // A knock behind the line: only its prompt may come back.
            port.write(line + wrong + "\r");
            QByteArray reply;
            for (QDeadlineTimer deadline(2000); !reply.contains("Boot >") && !deadline.hasExpired();)
                if (port.waitForReadyRead(50))
                    reply += port.readAll();
            QCOMPARE(reply, QByteArray("\r\nBoot >"));
            QCOMPARE(linesSeen(ChipEvent::Refused), QList<QByteArray>({ line + wrong }));
        }
    }
};

QTEST_GUILESS_MAIN(CommandChannelTest)
#include "tst_commandchannel.moc"
