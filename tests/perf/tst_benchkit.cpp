// The pieces the benchmarks build their figures from: the reading of the
// virtual chip's record of a transfer, and lrzsz's sx driven into the chip.
#include "BenchImage.h"
#include "ReferenceSender.h"
#include "SxSender.h"
#include "TransferFigures.h"
#include "VirtualChip.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

ChipEvent chipEvent(ChipEvent::Kind kind, qint64 atUs)
{
    return { kind, atUs, {} };
}

WireBurst fromHost(qint64 atUs, int bytes, qint64 wireEndUs)
{
    return { WireBurst::FromHost, atUs, bytes, wireEndUs };
}

WireBurst toHost(qint64 atUs, int bytes, qint64 wireEndUs)
{
    return { WireBurst::ToHost, atUs, bytes, wireEndUs };
}

} // namespace

Q_DECLARE_METATYPE(QList<ChipEvent>)
Q_DECLARE_METATYPE(QList<WireBurst>)

class BenchKitTest : public QObject {
    Q_OBJECT

private slots:
    // At 1,000,000 baud a byte takes 10 µs on the line.
    void transferFigures_data()
    {
        QTest::addColumn<QList<ChipEvent>>("events");
        QTest::addColumn<QList<WireBurst>>("bursts");
        QTest::addColumn<int>("latencyMs");
        QTest::addColumn<bool>("complete");
        QTest::addColumn<qint64>("phaseUs");
        QTest::addColumn<int>("packets");
        QTest::addColumn<double>("senderTurnUs");
        QTest::addColumn<double>("chipTurnUs");

        const QList<ChipEvent> twoPackets { chipEvent(ChipEvent::Command, 900),
            chipEvent(ChipEvent::TransferStart, 1000), chipEvent(ChipEvent::Packet, 12000),
            chipEvent(ChipEvent::Packet, 23000), chipEvent(ChipEvent::TransferEnd, 24000) };
        // "loadx" before the start; its echo and 'C' after it, before any packet, are no ACK.
        const QList<WireBurst> lineAtZeroLatency { fromHost(800, 6, 860), toHost(1010, 8, 1090),
            fromHost(1500, 1029, 11790), toHost(11850, 1, 11800), fromHost(11900, 1029, 22190), toHost(22250, 1, 22200),
            fromHost(22330, 1, 22340) };
        QTest::newRow("two packets, no adapter latency")
            << twoPackets << lineAtZeroLatency << 0 << true << qint64(23000) << 2 << 65.0 << 50.0;

        const QList<WireBurst> lineAtOneMs { fromHost(800, 6, 860), toHost(1010, 8, 1090), fromHost(1500, 1029, 11790),
            toHost(12850, 1, 11800), fromHost(12900, 1029, 23190), toHost(24240, 1, 23200), fromHost(24300, 1, 24310) };
        QList<ChipEvent> slower = twoPackets;
        slower.last().atUs = 24400;
        QTest::newRow("the adapter's latency is the line's, not the chip's")
            << slower << lineAtOneMs << 1 << true << qint64(23400) << 2 << 55.0 << 45.0;

        QTest::newRow("a transfer without EOT answered has no phase")
            << twoPackets.mid(0, 4) << lineAtZeroLatency << 0 << false << qint64(0) << 2 << 0.0 << 0.0;
    }

    void transferFigures()
    {
        QFETCH(QList<ChipEvent>, events);
        QFETCH(QList<WireBurst>, bursts);
        QFETCH(int, latencyMs);
        const TransferFigures figures = TransferFigures::fromChip(events, bursts, 1000000, latencyMs);
        QTEST(figures.complete, "complete");
        QTEST(figures.phaseUs, "phaseUs");
        QTEST(figures.packets, "packets");
        QTEST(figures.senderTurnUs, "senderTurnUs");
        QTEST(figures.chipTurnUs, "chipTurnUs");
    }

    // The comparison is only worth something when sx really fills the chip's flash.
    void sxSendsThroughTheRelayIntoTheChip()
    {
        if (SxSender::program().isEmpty())
            QSKIP("lrzsz's sx is not installed (scripts/setup installs the Debian package lrzsz)");
        VirtualChip chip;
        chip.configure([](ChipKnobs& k) { k.baud = 921600; });
        QVERIFY(chip.start());
        chip.recordWire(true);
        const QByteArray image = BenchImage::make(8 * 1024);
        QTemporaryDir dir;
        const QString file = dir.filePath("image.bin");
        QVERIFY(BenchImage::save(image, file));

        SxSender sx;
        QVERIFY2(sx.send(chip.portName(), 921600, file, 20000), qPrintable(sx.failure()));
        QCOMPARE(chip.flash(int(chip.partitionAddress()), image.size()), image);
        const TransferFigures figures = TransferFigures::fromChip(chip.events(), chip.wireBursts(), 921600, 0);
        QVERIFY(figures.complete);
        QCOMPARE(figures.packets, 8);
        QVERIFY(figures.phaseUs >= 8 * 1029 * 10 * 1000000LL / 921600);
    }

    void referenceSenderFillsTheChip()
    {
        VirtualChip chip;
        chip.configure([](ChipKnobs& k) {
            k.baud = 921600;
            k.nakPacket = 2; // a resent packet on the way
        });
        QVERIFY(chip.start());
        const QByteArray image = BenchImage::make(3 * 1024 + 100);
        ReferenceSender sender;
        QVERIFY2(sender.send(chip.portName(), 921600, image, 10000), qPrintable(sender.failure()));
        QCOMPARE(chip.flash(int(chip.partitionAddress()), image.size()), image);
        QCOMPARE(chip.events().last().kind, ChipEvent::TransferEnd);
    }

    void sxFailureNamesTheCause()
    {
        SxSender sx;
        QVERIFY(!sx.send("/dev/vyn-no-such-port", 921600, "/nonexistent", 1000));
        QVERIFY2(sx.failure().contains(SxSender::program().isEmpty() ? "sx" : "/dev/vyn-no-such-port"),
            qPrintable(sx.failure()));
    }
};

QTEST_GUILESS_MAIN(BenchKitTest)
#include "tst_benchkit.moc"
