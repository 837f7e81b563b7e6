// A shift at the flash-test window: job after job started with the Start
// button on the offscreen platform, each one downloaded and verified, with
// the counters right and memory flat. TERVASK_SOAK_JOBS sets the number.
#include "SoakMemory.h"
#include "gui/WindowRig.h"

#include <QStandardPaths>

class WindowSoakTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void manyJobsThroughTheWindow()
    {
        const int jobs = SoakMemory::rounds("TERVASK_SOAK_JOBS", 10);
        const int checkpoint = std::min(20, jobs / 2);
        WindowRig rig;
        const QByteArray image = rig.folder.writeFile("image.bin", 64 * 1024 + 100);
        rig.open({ { "FileName", rig.folder.path("image.bin") }, { "VerifyUnitTime", 10 } });
        rig.choosePort();

        int flashMatches = 0;
        int logsRight = 0;
        qint64 rssAtCheckpoint = -1;
        qint64 heapAtCheckpoint = -1;
        for (int job = 1; job <= jobs; ++job) {
            rig.chip.fillFlash(0x1000, QByteArray(image.size(), char(0xFF))); // the worker is idle between jobs
            QVERIFY(rig.button("startBtn")->isEnabled());
            rig.button("startBtn")->click();
            QTRY_COMPARE_WITH_TIMEOUT(rig.label("Totallb"), QString("Total: %1").arg(job), 20000);
            flashMatches += rig.chip.flash(0x1000, image.size()) == image;
            // The log view starts afresh with every job.
            const QString log = rig.log();
            logsRight += log.count("Verify done.") == 1 && log.count("Download successed!") == 1;
            if (job == checkpoint) {
                rssAtCheckpoint = SoakMemory::statusKiB("VmRSS");
                heapAtCheckpoint = SoakMemory::liveHeapKiB();
            }
        }
        const qint64 rssAtEnd = SoakMemory::statusKiB("VmRSS");
        const qint64 heapAtEnd = SoakMemory::liveHeapKiB();
        qInfo().noquote()
            << QString("%1 jobs, %2 flashes right, %3").arg(jobs).arg(flashMatches).arg(rig.counters().join(", "));
        qInfo().noquote() << QString(
            "job %1: VmRSS %2 KiB, heap in use %3 KiB; job %4: VmRSS %5 KiB, heap in use %6 KiB")
                                 .arg(checkpoint)
                                 .arg(rssAtCheckpoint)
                                 .arg(heapAtCheckpoint)
                                 .arg(jobs)
                                 .arg(rssAtEnd)
                                 .arg(heapAtEnd);

        QCOMPARE(rig.counters(),
            QStringList({ QString("Total: %1").arg(jobs), QString("PASS: %1").arg(jobs), "FAIL: 0", "FPY: 100%" }));
        QCOMPARE(flashMatches, jobs);
        QCOMPARE(logsRight, jobs);
        QVERIFY(rig.button("startBtn")->isEnabled());
        QVERIFY(!rig.button("stopBtn")->isEnabled());
        // The window's heap still grows by 10 to 20 KiB a job: every style sheet the log view sets
        // gives the scroll bar a new palette, and the style caches its pixmaps under keys that
        // name the palette (QPixmapCache, up to its limit, and a little beyond it for the keys).
        // A copy of the 64 KiB image kept per job is caught.
        const qint64 perJob = (heapAtEnd - heapAtCheckpoint) / std::max(1, jobs - checkpoint);
        QVERIFY2(perJob < 32, qPrintable(QString("the heap grew by %1 KiB a job").arg(perJob)));
        if (SoakMemory::residentSizeMeansAnything)
            QVERIFY2(rssAtEnd - rssAtCheckpoint < 16 * 1024,
                qPrintable(QString("VmRSS grew by %1 KiB").arg(rssAtEnd - rssAtCheckpoint)));
    }
};

QTEST_MAIN(WindowSoakTest)
#include "tst_windowsoak.moc"
