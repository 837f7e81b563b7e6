// A chip's own MAC address: read from its sector before the image, kept when
// the chip already carries one of the pool's, else taken from the pool and
// written into the chip's copy of the image or, after the image, into the
// sector with every other byte as it was; given back when nothing of it was
// written; and no byte for a chip that can get no address.
#include "MacAllocator.h"
#include "WorkerHarness.h"

#include <QtTest>

namespace {

const MacAddress firstBase(0x001A2B000000ull);

// A pool of the test's own: bases counting up, those given back first.
class TestPool : public MacAllocator {
public:
    explicit TestPool(int chips, int macsPerChip = 1)
        : chips(chips)
        , step(macsPerChip)
    { }

    bool take(MacAddress& base, QString& why) override
    {
        if (!cameBack.isEmpty()) {
            base = cameBack.takeFirst();
        } else if (handedOut < chips) {
            base = MacAddress(firstBase.value() + quint64(step) * quint64(handedOut++));
        } else {
            why = QStringLiteral("the MAC pool of the test is used up");
            return false;
        }
        taken << base.value();
        return true;
    }
    bool keep(MacAddress base, QString&) override
    {
        kept << base.value();
        return true;
    }
    bool claim(MacAddress base, QString&) override
    {
        claimed << base.value();
        return true;
    }
    void giveBack(MacAddress base) override
    {
        givenBack << base.value();
        cameBack << base;
    }
    void jobEnded() override { ++jobsEnded; }

    QList<quint64> taken;
    QList<quint64> kept;
    QList<quint64> claimed;
    QList<quint64> givenBack;
    int jobsEnded = 0;

private:
    int chips;
    int step;
    int handedOut = 0;
    QList<MacAddress> cameBack;
};

void useIdentity(WorkerHarness& h, TestPool& pool, quint32 at, IdentitySettings::Format format, int macsPerChip = 1)
{
    IdentitySettings& identity = h.settings.identity;
    identity.enabled = true;
    identity.pool.first = firstBase;
    identity.pool.last = MacAddress(firstBase.value() + 0xFFFF);
    identity.pool.macsPerChip = macsPerChip;
    identity.flashAddress = at;
    identity.format = format;
    h.worker.setMacAllocator(&pool);
}

int eventCount(const VirtualChip& chip, ChipEvent::Kind kind)
{
    int count = 0;
    for (const ChipEvent& event : chip.events())
        count += event.kind == kind;
    return count;
}

} // namespace

class IdentityTest : public QObject {
    Q_OBJECT

private slots:
    void addressGoesWithTheImageOrIntoItsSector_data()
    {
        QTest::addColumn<QString>("downloadAddr");
        QTest::addColumn<int>("imageSize");
        QTest::addColumn<int>("macAt");
        QTest::addColumn<bool>("text");
        QTest::addColumn<int>("perChip");
        QTest::addColumn<int>("transfers"); // 2: the sector is written after the image
        QTest::newRow("inside the image") << "0x1000" << 40000 << 0x1000 + 0x2345 << false << 1 << 1;
        QTest::newRow("inside, as text, 4 per chip") << "0x1000" << 40000 << 0x1000 + 40000 - 12 << true << 4 << 1;
        QTest::newRow("in a sector of its own") << "0x1000" << 40000 << 0xFF010 << false << 1 << 2;
        // The image ends inside the address's sector: its bytes there stay the image's.
        QTest::newRow("past the image's end, same sector") << "0x1000" << 5000 << 0x2400 << true << 2 << 2;
        QTest::newRow("below an image away from 0x1000") << "0x20000" << 9000 << 0x3FF0 << false << 1 << 2;
    }

    void addressGoesWithTheImageOrIntoItsSector()
    {
        QFETCH(QString, downloadAddr);
        QFETCH(int, imageSize);
        QFETCH(int, macAt);
        QFETCH(bool, text);
        QFETCH(int, perChip);
        QFETCH(int, transfers);
        WorkerHarness h;
        TestPool pool(100, perChip);
        useIdentity(
            h, pool, quint32(macAt), text ? IdentitySettings::Format::Text : IdentitySettings::Format::Raw, perChip);
        const QByteArray image = pattern(imageSize, 3);
        h.useImage(image);
        h.settings.downloadAddr = downloadAddr;
        const int imageAt = downloadAddr.toInt(nullptr, 0);
        const int sectorAt = macAt / 4096 * 4096;
        const QByteArray sectorBefore = pattern(4096, 9);
        h.chip.fillFlash(sectorAt, sectorBefore);

        h.worker.start();
        QCOMPARE(h.finished(), QList<bool>({ true }));
        QVERIFY(h.texts().contains("MAC: 00:1A:2B:00:00:00 (new)"));
        QCOMPARE(h.attempts().value(0).chipId, QString("00:1A:2B:00:00:00"));
        QCOMPARE(pool.taken, QList<quint64>({ firstBase.value() }));
        QCOMPARE(pool.kept, pool.taken);
        QCOMPARE(eventCount(h.chip, ChipEvent::TransferEnd), transfers);
        QCOMPARE(h.chip.partitionAddress(), 0x1000u); // the image's partition, or the one recovery sets

        const QByteArray field = text ? QByteArray("001A2B000000") : QByteArray::fromHex("001A2B000000");
        QByteArray expectedImage = image;
        QByteArray expectedSector = sectorBefore;
        for (int i = 0; i < imageSize; ++i) {
            if (imageAt + i >= sectorAt && imageAt + i < sectorAt + 4096)
                expectedSector[imageAt + i - sectorAt] = image.at(i);
        }
        for (int i = 0; i < field.size(); ++i) {
            if (macAt + i >= imageAt && macAt + i < imageAt + imageSize)
                expectedImage[macAt + i - imageAt] = field.at(i);
            expectedSector[macAt + i - sectorAt] = field.at(i);
        }
        QCOMPARE(h.chip.flash(imageAt, imageSize), expectedImage);
        // Written back, the sector is byte for byte as read but for the image and the address (and the
        // padding of the image's last packet, written over); the image's own transfer pads as always.
        if (transfers == 2)
            QCOMPARE(h.chip.flash(sectorAt, 4096), expectedSector);
        const QByteArray sectorAfter = h.chip.flash(sectorAt, 4096);

        // Back for rework: the chip keeps its address and takes none.
        h.clearLog();
        h.chip.clearEvents();
        h.worker.start();
        QCOMPARE(h.finished(), QList<bool>({ true }));
        QVERIFY(h.texts().contains("MAC: 00:1A:2B:00:00:00 (kept)"));
        QCOMPARE(pool.taken.size(), 1);
        QCOMPARE(pool.claimed, QList<quint64>({ firstBase.value() }));
        QCOMPARE(h.chip.flash(sectorAt, 4096), sectorAfter);
        QCOMPARE(pool.jobsEnded, 2);
    }

    // Three attempts at one chip: the transfer broken off before the packet
    // with the address, then a wrong checksum, then a pass. The chip keeps
    // the address it was given first.
    void retriesOfAChipKeepItsAddress()
    {
        WorkerHarness h;
        TestPool pool(100);
        const QByteArray image = pattern(20000, 4);
        h.useImage(image);
        useIdentity(h, pool, 0x1000 + 19000, IdentitySettings::Format::Raw);
        h.settings.AutoStart = true;
        h.settings.failedChipRetries = 2;
        h.chip.configure([](ChipKnobs& k) { k.cancelAtPacket = 1; });
        // Each attempt's end, on the worker's thread, sets the chip up for the next one.
        QObject::connect(
            &h.worker, &DownloadWorker::sngAttemptFinished, &h.worker,
            [&h](const AttemptReport&) {
                const int ended = int(h.attempts().size());
                if (ended == 1)
                    h.chip.configure([](ChipKnobs& k) {
                        k.cancelAtPacket = 0;
                        k.wrongChecksum = true;
                    });
                else if (ended == 2)
                    h.chip.configure([](ChipKnobs& k) { k.wrongChecksum = false; });
                else
                    h.worker.stop();
            },
            Qt::DirectConnection);
        h.worker.start();

        const QList<AttemptReport> attempts = h.attempts();
        QCOMPARE(attempts.size(), 3);
        QCOMPARE(attempts.at(0).failedStep, AttemptReport::Step::Transfer);
        QCOMPARE(attempts.at(1).failedStep, AttemptReport::Step::Verify);
        QCOMPARE(attempts.at(2).result, AttemptReport::Result::Pass);
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(attempts.at(i).chipId, QString("00:1A:2B:00:00:00"));
            QCOMPARE(attempts.at(i).chipAttempt, i + 1);
        }
        QCOMPARE(h.count("MAC: 00:1A:2B:00:00:00 (new)"), 1);
        QCOMPARE(h.count("MAC: 00:1A:2B:00:00:00 (kept)"), 2);
        QCOMPARE(pool.taken, QList<quint64>({ firstBase.value() }));
        QCOMPARE(pool.givenBack, QList<quint64>());
        QCOMPARE(h.chip.flash(0x1000 + 19000, 6), QByteArray::fromHex("001A2B000000"));
    }

    // A failure before the image: the address goes back and the attempt names none.
    void failureBeforeAnyByteGivesTheAddressBack()
    {
        WorkerHarness h;
        TestPool pool(100);
        h.useImage(pattern(8000, 5));
        useIdentity(h, pool, 0xFF000, IdentitySettings::Format::Raw);
        h.chip.configure([](ChipKnobs& k) { k.md4Word = 0x1234; });
        const QByteArray sector = h.chip.flash(0xFF000, 4096);
        h.worker.start();
        QCOMPARE(h.finished(), QList<bool>({ false }));
        QVERIFY(h.texts().contains("Error: data is wrong!"));
        QCOMPARE(pool.givenBack, pool.taken);
        QCOMPARE(pool.kept, QList<quint64>());
        QCOMPARE(h.attempts().value(0).failedStep, AttemptReport::Step::Partition);
        QCOMPARE(h.attempts().value(0).chipId, QString());
        QCOMPARE(h.chip.flash(0xFF000, 4096), sector);
    }

    // No address to give: the station's run ends with the pool's line, and
    // the chip gets nothing but the read of its sector. Settings that cannot
    // work are refused before the port is opened.
    void noAddressNoByte()
    {
        WorkerHarness h;
        TestPool pool(0);
        h.useImage(pattern(8000, 6));
        useIdentity(h, pool, 0xFF000, IdentitySettings::Format::Raw);
        h.settings.AutoStart = true;
        h.worker.start();
        QCOMPARE(h.finished(), QList<bool>({ false }));
        QVERIFY(h.texts().contains("Error: the MAC pool of the test is used up!"));
        QCOMPARE(h.attempts().size(), 1);
        QCOMPARE(h.attempts().value(0).failedStep, AttemptReport::Step::Identity);
        QCOMPARE(h.chip.commands(), QList<QByteArray>({ "md 180ff000 1024" }));

        h.clearLog();
        h.chip.clearEvents();
        h.settings.FlashSize = "1MByte";
        h.settings.identity.flashAddress = 0x100000;
        h.worker.start();
        QCOMPARE(h.finished(), QList<bool>({ false }));
        QCOMPARE(
            h.texts(), QStringList({ "Error: the MAC address at 0x100000 lies beyond the flash of 1048576 bytes!" }));
        QCOMPARE(h.chip.knockCount(), 0);
        QCOMPARE(h.attempts().size(), 0);
    }
};

QTEST_GUILESS_MAIN(IdentityTest)
#include "tst_identity.moc"
