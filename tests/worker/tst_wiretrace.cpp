// The wire trace of the field: a real download against the virtual chip with
// the trace on, read back as a person would read the file.
#include "WireTraceWriter.h"
#include "WorkerHarness.h"

#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

// CRC-16/XMODEM written here from its definition, not taken from the engine.
quint16 xmodemCrc(const QByteArray& data)
{
    quint16 crc = 0;
    for (const char byte : data) {
        crc ^= quint16(quint8(byte) << 8);
        for (int bit = 0; bit < 8; ++bit)
            crc = quint16(crc & 0x8000 ? (crc << 1) ^ 0x1021 : crc << 1);
    }
    return crc;
}

// "block 3, 1024 bytes, CRC 0x1a2b" of every packet the image makes, in order.
QStringList expectedPackets(const QByteArray& image, int nakedPacket)
{
    QStringList packets;
    for (int number = 1; (number - 1) * 1024 < image.size(); ++number) {
        QByteArray data = image.mid((number - 1) * 1024, 1024);
        data.append(1024 - data.size(), '\x1a');
        const QString packet = QStringLiteral("block %1, 1024 bytes, CRC 0x%2")
                                   .arg(number % 256)
                                   .arg(xmodemCrc(data), 4, 16, QLatin1Char('0'));
        packets.append(packet);
        if (number == nakedPacket)
            packets.append(packet);
    }
    return packets;
}

QStringList readLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return { QStringLiteral("<cannot read %1>").arg(path) };
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

struct TraceLine {
    qint64 us;
    QChar direction;
    QString rest;
};

} // namespace

class WireTraceTest : public QObject {
    Q_OBJECT

private slots:
    void downloadReadsBackFromTheTrace()
    {
        QTemporaryDir dir;
        const QString requested = dir.filePath(QStringLiteral("trace.log"));
        WorkerHarness h;
        // More than 256 packets, so that the block number wraps; the chip refuses packet 3 once.
        const QByteArray image = pattern(257 * 1024 + 100);
        h.useImage(image);
        h.chip.configure([](ChipKnobs& k) { k.nakPacket = 3; });
        h.worker.setWireTap(std::make_unique<WireTraceWriter>(requested, QStringLiteral("tst_wiretrace")));
        h.worker.start(true);
        QCOMPARE(h.finished(), QList<bool>({ true }));

        const QStringList lines = readLines(requested);
        const QString header = QStringLiteral("# tst_wiretrace (pid %1): %2 opened at %3 baud on ")
                                   .arg(QCoreApplication::applicationPid())
                                   .arg(h.chip.portName(), h.settings.BaudRate);
        QList<TraceLine> wire;
        int headers = 0;
        static const QRegularExpression shape(QStringLiteral(R"(^ *(-?\d+) ([<>#]) (.*)$)"));
        for (const QString& line : lines) {
            if (line.startsWith(header)) {
                ++headers;
                continue;
            }
            const QRegularExpressionMatch m = shape.match(line);
            QVERIFY2(m.hasMatch(), qPrintable(line));
            wire.append({ m.captured(1).toLongLong(), m.captured(2).at(0), m.captured(3) });
        }
        QCOMPARE(headers, 1);
        QVERIFY2(lines.value(0).startsWith(header), qPrintable(lines.value(0)));

        QStringList logs;
        QStringList packets;
        QByteArray commandBytes;
        int answers = 0;
        int refusals = 0;
        int lastPacket = -1;
        for (int i = 0; i < wire.size(); ++i) {
            const TraceLine& line = wire.at(i);
            QVERIFY2(i == 0 || line.us >= wire.at(i - 1).us, qPrintable(line.rest));
            if (line.direction == '#') {
                logs.append(line.rest);
            } else if (line.direction == '>' && line.rest.startsWith(QStringLiteral("STX "))) {
                packets.append(line.rest.mid(4));
                lastPacket = i;
                // Each packet is answered before anything else goes out.
                int next = i + 1;
                while (next < wire.size() && wire.at(next).direction == '#')
                    ++next;
                QVERIFY(next < wire.size());
                QCOMPARE(wire.at(next).direction, QChar('<'));
                answers += wire.at(next).rest.endsWith(QStringLiteral("<ACK>"));
                refusals += wire.at(next).rest.endsWith(QStringLiteral("<NAK>"));
            } else if (line.direction == '>') {
                commandBytes += QByteArray::fromHex(line.rest.left(3 * 16).toLatin1());
            }
        }

        // Every log line in order; every packet one line with its wire block number and CRC.
        QCOMPARE(logs, h.texts());
        QCOMPARE(packets, expectedPackets(image, 3));
        QCOMPARE(answers, 258);
        QCOMPARE(refusals, 1);
        // The bytes of every command the chip took, in order, whatever rows they were split over.
        QVERIFY(h.chip.commands().contains("loadx"));
        qsizetype from = 0;
        for (const QByteArray& command : h.chip.commands()) {
            from = commandBytes.indexOf(command, from);
            QVERIFY2(from >= 0, command);
        }

        // Lines and bytes interleaved as they happened.
        auto firstIndex = [&](QChar direction, const QString& text) {
            for (int i = 0; i < wire.size(); ++i)
                if (wire.at(i).direction == direction && wire.at(i).rest.contains(text))
                    return i;
            return -1;
        };
        const int loadx = firstIndex('>', QStringLiteral("6c 6f 61 64 78 0d"));
        QVERIFY(loadx >= 0);
        QVERIFY(wire.at(loadx).rest.endsWith(QStringLiteral("loadx.")));
        QVERIFY(firstIndex('#', QStringLiteral("Send XModem...")) < loadx);
        QVERIFY(loadx < firstIndex('>', QStringLiteral("STX block 1,")));
        const int progress = firstIndex('#', QStringLiteral("[Send Packet: 10/258]"));
        QVERIFY(firstIndex('>', QStringLiteral("STX block 10,")) < progress);
        QVERIFY(progress < firstIndex('>', QStringLiteral("STX block 11,")));
        const int endOfTransfer = firstIndex('>', QStringLiteral("<EOT>"));
        QVERIFY(lastPacket < endOfTransfer);
        QVERIFY(endOfTransfer < firstIndex('#', QStringLiteral("Verify...")));

        // Another station asking for the same file while this one holds it writes a file of its own.
        WireTraceWriter other(requested, QStringLiteral("other station"));
        other.opened(QStringLiteral("/dev/ttyUSB7"), 115200);
        other.logged(QStringLiteral("a line of the other station"));
        QCOMPARE(other.fileName(), dir.filePath(QStringLiteral("trace-ttyUSB7.log")));
        QVERIFY(readLines(other.fileName()).last().endsWith(QStringLiteral("# a line of the other station")));
        QCOMPARE(readLines(requested), lines);
    }
};

QTEST_GUILESS_MAIN(WireTraceTest)
#include "tst_wiretrace.moc"
