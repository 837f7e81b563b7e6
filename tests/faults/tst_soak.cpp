// A shift in automatic mode: chip after chip plugged in and pulled out again.
// Every chip must be downloaded and verified once, and memory must stay flat.
// TERVASK_SOAK_CHIPS sets the number of chips (scripts/soak runs 300).
#include "SoakMemory.h"
#include "WorkerHarness.h"

#include <QSignalSpy>

#include <atomic>

namespace {

QByteArray pattern(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = char((i * 40503u) >> 7);
    return bytes;
}

} // namespace

class SoakTest : public QObject {
    Q_OBJECT

private slots:
    void automaticModeOverManyChips()
    {
        const int chips = SoakMemory::rounds("TERVASK_SOAK_CHIPS", 20);
        const int checkpoint = std::min(50, chips / 2);
        WorkerHarness h;
        LinkTiming timing = WorkerHarness::fastTiming();
        timing.sameChipWait = std::chrono::milliseconds(150);
        h.worker.setTiming(timing);
        const QByteArray image = pattern(24 * 1024 + 5);
        h.useImage(image);
        h.settings.VerifyUnitTime = 10;
        h.settings.AutoStart = true;
        h.chip.unplug();

        std::atomic<int> passed { 0 };
        std::atomic<int> failed { 0 };
        std::atomic<int> transfers { 0 };
        std::atomic<int> verified { 0 };
        std::atomic<int> emptySocket { 0 };
        QObject::connect(
            &h.worker, &DownloadWorker::sngChipResult, &h.worker, [&](bool pass) { ++(pass ? passed : failed); },
            Qt::DirectConnection);
        // Counted here: the harness's own record of the lines is cleared after every chip.
        QObject::connect(
            &h.worker, &DownloadWorker::sngLog, &h.worker,
            [&](const QString& line) {
                transfers += line == "loadx!";
                verified += line == "Verify done.";
                emptySocket += line == "Enter boot failed,maybe no device!";
            },
            Qt::DirectConnection);

        int plugged = 0;
        int flashMatches = 0;
        qint64 rssAtCheckpoint = -1;
        qint64 rssAtEnd = -1;
        h.meanwhile([&] {
            for (int chip = 1; chip <= chips; ++chip) {
                h.chip.fillFlash(0x1000, QByteArray(image.size(), char(0xFF))); // a blank chip
                h.chip.plug();
                ++plugged;
                if (!WorkerHarness::waitFor([&] { return passed + failed == chip; }))
                    break;
                flashMatches += h.chip.flash(0x1000, image.size()) == image;
                h.chip.unplug();
                // The station notices the empty socket before the next chip comes.
                if (!WorkerHarness::waitFor([&] { return emptySocket == chip; }))
                    break;
                h.clearLog();
                if (chip == checkpoint)
                    rssAtCheckpoint = SoakMemory::statusKiB("VmRSS");
            }
            rssAtEnd = SoakMemory::statusKiB("VmRSS");
            h.worker.stop();
        });
        h.worker.start(true);

        qInfo().noquote() << QString("%1 chips plugged, %2 passed, %3 failed, %4 flashes right; VmRSS %5 KiB at chip "
                                     "%6, %7 KiB at chip %8, peak %9 KiB")
                                 .arg(plugged)
                                 .arg(passed)
                                 .arg(failed)
                                 .arg(flashMatches)
                                 .arg(rssAtCheckpoint)
                                 .arg(checkpoint)
                                 .arg(rssAtEnd)
                                 .arg(chips)
                                 .arg(SoakMemory::statusKiB("VmHWM"));
        QCOMPARE(plugged, chips);
        QCOMPARE(int(passed), chips);
        QCOMPARE(int(failed), 0);
        QCOMPARE(flashMatches, chips);
        QCOMPARE(int(transfers), chips);
        QCOMPARE(int(verified), chips);
        QCOMPARE(h.finished(), QList<bool>({ false }));
        QVERIFY(!h.worker.isPortOpen());
        // Flat: what a shift leaves behind must not grow with the number of chips.
        QVERIFY(rssAtCheckpoint > 0);
        QVERIFY2(rssAtEnd - rssAtCheckpoint < 8 * 1024,
            qPrintable(QString("VmRSS grew by %1 KiB").arg(rssAtEnd - rssAtCheckpoint)));
    }
};

QTEST_GUILESS_MAIN(SoakTest)
#include "tst_soak.moc"
