// A shift in automatic mode: chip after chip plugged in and pulled out again.
// Every chip must be downloaded and verified once, and memory must stay flat.
// TERVASK_SOAK_CHIPS sets the number of chips (scripts/soak runs 300).
#include "SoakMemory.h"
#include "WorkerHarness.h"

#include <QSignalSpy>

#include <atomic>

class SoakTest : public QObject {
    Q_OBJECT

private slots:
    void automaticModeOverManyChips()
    {
        const int chips = SoakMemory::rounds("TERVASK_SOAK_CHIPS", 20);
        const int checkpoint = std::min(50, chips / 2);
        WorkerHarness h;
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

        struct Memory {
            qint64 rss = -1;
            qint64 heap = -1;
        };
        const auto measure = [] { return Memory { SoakMemory::statusKiB("VmRSS"), SoakMemory::liveHeapKiB() }; };
        int plugged = 0;
        int flashMatches = 0;
        Memory atCheckpoint;
        Memory atEnd;
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
                // The test's own records of the chip are not the station's memory.
                h.clearLog();
                h.chip.clearEvents();
                if (chip == checkpoint)
                    atCheckpoint = measure();
            }
            atEnd = measure();
            h.worker.stop();
        });
        h.worker.start(true);

        qInfo().noquote() << QString("%1 chips plugged, %2 passed, %3 failed, %4 flashes right")
                                 .arg(plugged)
                                 .arg(passed)
                                 .arg(failed)
                                 .arg(flashMatches);
        qInfo().noquote() << QString("chip %1: VmRSS %2 KiB, heap in use %3 KiB; chip %4: VmRSS %5 KiB, heap in use "
                                     "%6 KiB; VmHWM %7 KiB")
                                 .arg(checkpoint)
                                 .arg(atCheckpoint.rss)
                                 .arg(atCheckpoint.heap)
                                 .arg(chips)
                                 .arg(atEnd.rss)
                                 .arg(atEnd.heap)
                                 .arg(SoakMemory::statusKiB("VmHWM"));
        QCOMPARE(plugged, chips);
        QCOMPARE(int(passed), chips);
        QCOMPARE(int(failed), 0);
        QCOMPARE(flashMatches, chips);
        QCOMPARE(int(transfers), chips);
        QCOMPARE(int(verified), chips);
        QCOMPARE(h.finished(), QList<bool>({ false }));
        QVERIFY(!h.worker.isPortOpen());
        // Flat: what the station holds must not grow with the number of chips.
        QVERIFY(atCheckpoint.heap > 0);
        QVERIFY2(atEnd.heap - atCheckpoint.heap < 512,
            qPrintable(QString("the heap grew by %1 KiB").arg(atEnd.heap - atCheckpoint.heap)));
        if (SoakMemory::residentSizeMeansAnything)
            QVERIFY2(atEnd.rss - atCheckpoint.rss < 8 * 1024,
                qPrintable(QString("VmRSS grew by %1 KiB").arg(atEnd.rss - atCheckpoint.rss)));
    }
    // Job after job on one worker, as a window runs them: nothing may pile up between jobs.
    void singleJobsOneAfterAnother()
    {
        const int jobs = SoakMemory::rounds("TERVASK_SOAK_JOBS", 10);
        const int checkpoint = std::min(20, jobs / 2);
        WorkerHarness h;
        const QByteArray image = pattern(20000);
        h.useImage(image);
        h.settings.VerifyUnitTime = 10;
        int passed = 0;
        qint64 heapAtCheckpoint = -1;
        for (int job = 1; job <= jobs; ++job) {
            h.chip.fillFlash(0x1000, QByteArray(image.size(), char(0xFF)));
            h.worker.start(true);
            passed += h.finished() == QList<bool>({ true }) && h.chip.flash(0x1000, image.size()) == image;
            h.clearLog();
            h.chip.clearEvents();
            if (job == checkpoint)
                heapAtCheckpoint = SoakMemory::liveHeapKiB();
        }
        const qint64 heapAtEnd = SoakMemory::liveHeapKiB();
        qInfo().noquote() << QString("%1 jobs, %2 passed; heap in use %3 KiB at job %4, %5 KiB at job %6")
                                 .arg(jobs)
                                 .arg(passed)
                                 .arg(heapAtCheckpoint)
                                 .arg(checkpoint)
                                 .arg(heapAtEnd)
                                 .arg(jobs);
        QCOMPARE(passed, jobs);
        QVERIFY2(heapAtEnd - heapAtCheckpoint < 256,
            qPrintable(QString("the heap grew by %1 KiB").arg(heapAtEnd - heapAtCheckpoint)));
    }
};

QTEST_GUILESS_MAIN(SoakTest)
#include "tst_soak.moc"
