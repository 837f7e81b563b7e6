// The virtual chip's wire may never be faster than a real 8N1 line: the
// benchmarks compare the worker against that line, so a wire that cheats
// would make any sender look good. Measured from the host's side only. Nor
// may it be kinder than a real UART to a host at the wrong settings.
#include "VirtualChip.h"
#include "Xmodem.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QtTest>

#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

speed_t speedCode(int baud)
{
    switch (baud) {
    case 9600:
        return B9600;
    case 115200:
        return B115200;
    case 460800:
        return B460800;
    default:
        return B921600;
    }
}

// The host's end of the line, read and written without Qt's buffering: a raw
// 8N1 line at the given speed, changed further by the adjustment.
class HostLine {
public:
    explicit HostLine(const QString& port, int baud, const std::function<void(termios&)>& adjust = {})
        : fd(::open(port.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK))
    {
        termios settings {};
        if (fd < 0 || tcgetattr(fd, &settings) != 0)
            return;
        cfmakeraw(&settings);
        cfsetspeed(&settings, speedCode(baud));
        if (adjust)
            adjust(settings);
        tcsetattr(fd, TCSANOW, &settings);
    }
    ~HostLine()
    {
        if (fd >= 0)
            ::close(fd);
    }
    HostLine(const HostLine&) = delete;
    HostLine& operator=(const HostLine&) = delete;

    bool isOpen() const { return fd >= 0; }

    bool write(const QByteArray& bytes) const
    {
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
            if (n > 0)
                done += n;
            else if (errno != EAGAIN)
                return false;
        }
        return true;
    }

    // Whatever arrives within the time.
    QByteArray readFor(int ms) const
    {
        QByteArray got;
        QElapsedTimer clock;
        clock.start();
        for (qint64 left = ms; left > 0; left = ms - clock.elapsed()) {
            pollfd p { fd, POLLIN, 0 };
            char chunk[4096];
            if (poll(&p, 1, int(left)) > 0) {
                const ssize_t n = ::read(fd, chunk, sizeof chunk);
                if (n > 0)
                    got.append(chunk, int(n));
            }
        }
        return got;
    }

    // Reads until the received bytes end with the marker; empty on time-out.
    QByteArray readUntil(const QByteArray& marker, int timeoutMs) const
    {
        QByteArray got;
        QElapsedTimer clock;
        clock.start();
        while (!got.endsWith(marker)) {
            const qint64 left = timeoutMs - clock.elapsed();
            if (left <= 0)
                return {};
            pollfd p { fd, POLLIN, 0 };
            if (poll(&p, 1, int(left)) <= 0)
                continue;
            char chunk[4096];
            const ssize_t n = ::read(fd, chunk, sizeof chunk);
            if (n > 0)
                got.append(chunk, int(n));
        }
        return got;
    }

private:
    int fd;
};

qint64 wireNs(qint64 bytes, int baud)
{
    return bytes * 10 * 1'000'000'000LL / baud;
}

} // namespace

class WirePacingTest : public QObject {
    Q_OBJECT

private slots:
    void transferTakesTheLinesTime_data()
    {
        QTest::addColumn<QString>("direction");
        QTest::addColumn<int>("baud");
        QTest::addColumn<int>("latencyMs");
        for (const int baud : { 115200, 460800, 921600 }) {
            QTest::addRow("host to chip, one XMODEM packet, %d baud", baud) << "to chip" << baud << 0;
            QTest::addRow("chip to host, md text, %d baud", baud) << "to host" << baud << 0;
        }
        QTest::newRow("chip to host, md text, 921600 baud, 16 ms adapter") << "to host" << 921600 << 16;
        QTest::newRow("one packet and its ACK, 921600 baud, 16 ms adapter") << "to chip" << 921600 << 16;
    }

    // Each case measures from the host's write to the last byte of the answer;
    // the bytes on the line both ways bound it from below.
    void transferTakesTheLinesTime()
    {
        QFETCH(QString, direction);
        QFETCH(int, baud);
        QFETCH(int, latencyMs);
        VirtualChip chip;
        chip.configure([&](ChipKnobs& k) {
            k.baud = baud;
            k.adapterLatencyMs = latencyMs;
        });
        QVERIFY(chip.start());
        HostLine line(chip.portName(), baud);
        QVERIFY(line.isOpen());

        QByteArray request;
        QByteArray answerEnd;
        if (direction == "to chip") {
            QVERIFY(line.write("loadx\r"));
            QVERIFY(!line.readUntil(QByteArray(1, Xmodem::START), 2000).isEmpty());
            QByteArray image(1024, Qt::Uninitialized);
            for (int i = 0; i < image.size(); ++i)
                image[i] = char(i * 7);
            request = Xmodem::buildPacket(image.size(), 1, image.constData());
            answerEnd = QByteArray(1, Xmodem::ACK);
        } else {
            request = "md 18000000 1024\r";
            answerEnd = "Boot >";
        }

        QElapsedTimer clock;
        clock.start();
        QVERIFY(line.write(request));
        const QByteArray answer = line.readUntil(answerEnd, 5000);
        const qint64 elapsedNs = clock.nsecsElapsed();
        QVERIFY2(!answer.isEmpty(), "the chip answered");

        // The adapter holds the answer's first byte for its latency timer; the
        // rest may ride along with it or follow, but never outrun the line.
        const qint64 floorNs = std::max(wireNs(request.size() + answer.size(), baud),
            wireNs(request.size() + 1, baud) + qint64(latencyMs) * 1'000'000);
        QVERIFY2(elapsedNs >= floorNs,
            qPrintable(QStringLiteral("%1 bytes out, %2 back in %3 us, the line needs %4 us")
                           .arg(request.size())
                           .arg(answer.size())
                           .arg(elapsedNs / 1000)
                           .arg(floorNs / 1000)));
        if (direction == "to chip") {
            QCOMPARE(chip.events().last().kind, ChipEvent::Packet);
        } else {
            QVERIFY(answer.size() > 1024 * 9); // the text of 1024 words
            QCOMPARE(chip.bytesSent(), qint64(answer.size()));
        }
    }

    // The chip's own record of the line agrees with the host's clock: every
    // burst from the host takes its bytes' time to arrive, and what the chip
    // hands over never leaves the wire before its bytes' time has passed.
    void wireRecordKeepsBytesApart()
    {
        const int baud = 460800;
        VirtualChip chip;
        chip.configure([&](ChipKnobs& k) { k.baud = baud; });
        QVERIFY(chip.start());
        chip.recordWire(true);
        HostLine line(chip.portName(), baud);
        QVERIFY(line.isOpen());
        QVERIFY(line.write("md 18000000 256\r"));
        QVERIFY(!line.readUntil("Boot >", 5000).isEmpty());

        const QList<WireBurst> bursts = chip.wireBursts();
        QVERIFY(bursts.size() >= 2);
        qint64 toHost = 0;
        qint64 firstToHostEndUs = -1;
        qint64 lastToHostEndUs = 0;
        for (const WireBurst& burst : bursts) {
            if (burst.direction == WireBurst::FromHost) {
                QVERIFY(burst.wireEndUs - burst.atUs >= wireNs(burst.bytes, baud) / 1000 - 1);
            } else {
                QVERIFY(burst.atUs >= burst.wireEndUs);
                if (firstToHostEndUs < 0)
                    firstToHostEndUs = burst.wireEndUs;
                lastToHostEndUs = burst.wireEndUs;
                toHost += burst.bytes;
            }
        }
        QCOMPARE(toHost, chip.bytesSent());
        const qint64 firstBurstBytes = [&] {
            for (const WireBurst& burst : bursts)
                if (burst.direction == WireBurst::ToHost)
                    return qint64(burst.bytes);
            return qint64(0);
        }();
        QVERIFY(lastToHostEndUs - firstToHostEndUs >= wireNs(toHost - firstBurstBytes, baud) / 1000 - 1);
    }

    // A real UART understands only a host at its own speed, 8N1, without flow
    // control: anything else garbles every byte both ways, so a port opened
    // with a wrong setting fails here as it fails on every real adapter.
    // (A pseudo-terminal keeps no data bits nor parity of its own: the kernel
    // stores every setting as 8 bits without parity, so those two cannot be seen.)
    void hostSettingsThatDoNotSuitTheChipGarbleBothWays_data()
    {
        QTest::addColumn<int>("chipBaud");
        QTest::addColumn<int>("hostBaud");
        QTest::addColumn<std::function<void(termios&)>>("adjust");
        QTest::addColumn<QByteArray>("seen");
        QTest::addColumn<bool>("intact");
        const std::function<void(termios&)> none;
        QTest::newRow("460800 8N1 host") << 460800 << 460800 << none << QByteArray("460800 8N1") << true;
        QTest::newRow("host at 921600") << 460800 << 921600 << none << QByteArray("921600 8N1") << false;
        QTest::newRow("host at 115200") << 460800 << 115200 << none << QByteArray("115200 8N1") << false;
        QTest::newRow("two stop bits") << 460800 << 460800
                                       << std::function<void(termios&)>([](termios& t) { t.c_cflag |= CSTOPB; })
                                       << QByteArray("460800 8N2") << false;
        QTest::newRow("RTS/CTS") << 460800 << 460800
                                 << std::function<void(termios&)>([](termios& t) { t.c_cflag |= CRTSCTS; })
                                 << QByteArray("460800 8N1 RTS/CTS") << false;
        QTest::newRow("XON/XOFF") << 460800 << 460800
                                  << std::function<void(termios&)>([](termios& t) { t.c_iflag |= IXON | IXOFF; })
                                  << QByteArray("460800 8N1 XON/XOFF") << false;
        QTest::newRow("instant chip, any speed") << 0 << 9600 << none << QByteArray("9600 8N1") << true;
        QTest::newRow("instant chip, two stop bits")
            << 0 << 9600 << std::function<void(termios&)>([](termios& t) { t.c_cflag |= CSTOPB; })
            << QByteArray("9600 8N2") << false;
    }

    void hostSettingsThatDoNotSuitTheChipGarbleBothWays()
    {
        QFETCH(int, chipBaud);
        QFETCH(int, hostBaud);
        QFETCH(std::function<void(termios&)>, adjust);
        QFETCH(QByteArray, seen);
        QFETCH(bool, intact);
        VirtualChip chip;
        chip.configure([&](ChipKnobs& k) { k.baud = chipBaud; });
        QVERIFY(chip.start());
        HostLine line(chip.portName(), hostBaud, adjust);
        QVERIFY(line.isOpen());

        QVERIFY(line.write("md 4\r"));
        const QByteArray reply = line.readFor(300);
        chip.announceReady();
        const QByteArray ready = line.readFor(300);
        QCOMPARE(chip.hostLine().describe(), seen);
        QList<QByteArray> mismatches;
        for (const ChipEvent& event : chip.events())
            if (event.kind == ChipEvent::LineMismatch)
                mismatches.append(event.text);
        if (intact) {
            QCOMPARE(chip.commands(), QList<QByteArray>({ "md 4" }));
            QCOMPARE(reply, QByteArray("md 4\r\n[0x00000004] = 0x0000B0B1\r\nBoot >"));
            QCOMPARE(ready, QByteArray("\r\nBoot abort\r\n"));
            QCOMPARE(mismatches, QList<QByteArray>());
        } else {
            // The command never became a line; what the chip says arrives byte for byte, all wrong.
            QCOMPARE(chip.commands(), QList<QByteArray>());
            QCOMPARE(reply, QByteArray());
            QCOMPARE(ready.size(), qsizetype(14));
            for (qsizetype i = 0; i < ready.size(); ++i)
                QVERIFY(ready.at(i) != QByteArray("\r\nBoot abort\r\n").at(i));
            QCOMPARE(mismatches, QList<QByteArray>({ seen }));
        }
    }
};

QTEST_GUILESS_MAIN(WirePacingTest)
#include "tst_wirepacing.moc"
