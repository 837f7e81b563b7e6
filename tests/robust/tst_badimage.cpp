// Image files that are not what a production line expects: a folder, a file
// that cannot be read, a FIFO, a file far larger than any flash. The loader
// refuses each with one red line, quickly, and never reads a huge file.
#include "DownloadWorker.h"
#include "WorkerSettings.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr qint64 GiB = 1024LL * 1024 * 1024;

// A file of that size whose blocks are never written: no disk, no time.
QString sparseFile(const QTemporaryDir& dir, const QString& name, qint64 size)
{
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || !file.resize(size))
        qFatal("cannot make a sparse file of %lld bytes", size);
    return file.fileName();
}

} // namespace

class BadImageTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        lines.clear();
        worker.settings = &settings;
        settings.FlashSize = "1MByte";
        settings.image = "stale";
        settings.packetCount = -1;
        QObject::connect(&worker, &DownloadWorker::sngLog, &worker, [this](const QString& text, const QColor& color) {
            lines.append({ text, color });
        });
    }

    void cleanup() { QObject::disconnect(&worker, &DownloadWorker::sngLog, nullptr, nullptr); }

    void refused_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("flashSize");
        QTest::addColumn<QString>("message");
        const QString cantOpen = "Error: can't open %1";
        const QString tooLarge = "Error: the size of file: %1 is out of range!";
        QTest::newRow("folder with a slash") << dir.path() + "/"
                                             << "1MByte" << cantOpen;
        // Opens, but every read fails (EIO): what an unreadable disk gives.
        QTest::newRow("read error") << "/proc/self/mem"
                                    << "1MByte" << cantOpen;
        QTest::newRow("6 GiB, sparse") << sparseFile(dir, "6g.bin", 6 * GiB) << "4MByte" << tooLarge;
        QTest::newRow("4 GiB plus one, sparse") << sparseFile(dir, "4g1.bin", 4 * GiB + 1) << "4MByte" << tooLarge;
        QTest::newRow("one over 4M, sparse")
            << sparseFile(dir, "4m1.bin", 4 * 1048576 - 4096 + 1) << "4MByte" << tooLarge;
        QTest::newRow("flash size 0") << sparseFile(dir, "one.bin", 1) << "0MByte" << tooLarge;
    }

    void refused()
    {
        QFETCH(QString, path);
        QFETCH(QString, flashSize);
        QFETCH(QString, message);
        settings.FileName = path;
        settings.FlashSize = flashSize;
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!worker.loadImageFile());
        QVERIFY2(clock.elapsed() < 2000, "the refusal read the file");
        QCOMPARE(lines.size(), 1);
        QCOMPARE(lines.first().first, message.arg(path));
        QCOMPARE(lines.first().second, QColor(Qt::red));
        QCOMPARE(settings.image, QByteArray("stale"));
    }

    void exactlyAtTheLimitIsTaken_data()
    {
        QTest::addColumn<QString>("flashSize");
        QTest::addColumn<int>("size");
        QTest::newRow("2M") << "2MByte" << 2 * 1048576 - 4096;
        QTest::newRow("4M") << "4MByte" << 4 * 1048576 - 4096;
    }

    void exactlyAtTheLimitIsTaken()
    {
        QFETCH(QString, flashSize);
        QFETCH(int, size);
        settings.FileName = sparseFile(dir, "limit.bin", size);
        settings.FlashSize = flashSize;
        QVERIFY(worker.loadImageFile());
        QCOMPARE(lines.size(), 0);
        QCOMPARE(settings.image, QByteArray(size, '\0'));
        QCOMPARE(settings.packetCount, size / 1024);
    }

    void unreadableFileIsRefused()
    {
        const QString path = sparseFile(dir, "locked.bin", 100);
        QVERIFY(QFile::setPermissions(path, QFileDevice::Permissions()));
        if (::geteuid() == 0 || QFile(path).open(QIODevice::ReadOnly))
            QSKIP("running as root, which reads a file whatever its mode; the read-error row covers the refusal");
        settings.FileName = path;
        QVERIFY(!worker.loadImageFile());
        QCOMPARE(lines.size(), 1);
        QCOMPARE(lines.first().first, "Error: can't open " + path);
    }

    // A FIFO with no writer blocks open() for ever: the loader must not wait
    // for one. A writer turns up after a while when the loader is still busy,
    // so that a loader that does block ends (and fails the test) instead of hanging it.
    void fifoDoesNotBlock()
    {
        const QString path = dir.filePath("image.fifo");
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        settings.FileName = path;
        std::atomic<bool> returned { false };
        std::thread writer([&returned, path] {
            const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
            while (!returned && std::chrono::steady_clock::now() < until)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            if (returned)
                return;
            QFile fifo(path);
            if (fifo.open(QIODevice::WriteOnly))
                fifo.write("late");
        });
        QElapsedTimer clock;
        clock.start();
        const bool loaded = worker.loadImageFile();
        const qint64 took = clock.elapsed();
        returned = true;
        writer.join();
        QVERIFY2(took < 2000, "the loader waited for a writer on the FIFO");
        QVERIFY(!loaded);
        QCOMPARE(lines.size(), 1);
        QCOMPARE(lines.first().first, "Error: can't open " + path);
    }

private:
    QTemporaryDir dir;
    WorkerSettings settings { 0 };
    DownloadWorker worker;
    QList<QPair<QString, QColor>> lines;
};

QTEST_GUILESS_MAIN(BadImageTest)
#include "tst_badimage.moc"
