// Loading the image for the console program: size limit, packet count, CRC.
#include "DownloadWorker.h"
#include "WorkerSettings.h"

#include <QTemporaryDir>
#include <QtTest>

#include <zlib.h>

class LoadImageTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        lines.clear();
        worker.settings = &settings;
        settings.image = "stale";
        settings.packetCount = -1;
        settings.imageCrc = 1;
        QObject::connect(&worker, &DownloadWorker::sngLog, &worker, [this](const QString& text, const QColor& color) {
            lines.append({ text, color });
        });
    }

    void cleanup() { QObject::disconnect(&worker, &DownloadWorker::sngLog, nullptr, nullptr); }

    void acceptedImage_data()
    {
        QTest::addColumn<QString>("flashSize");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("packets");
        QTest::newRow("empty") << "1MByte" << 0 << 0;
        QTest::newRow("one byte") << "1M" << 1 << 1;
        QTest::newRow("one packet") << "1M" << 1024 << 1;
        QTest::newRow("one byte over a packet") << "1M" << 1025 << 2;
        QTest::newRow("largest for 1M") << "1M" << 1044480 << 1020;
        QTest::newRow("largest for 4M") << "4M" << 4190208 << 4092;
    }

    void acceptedImage()
    {
        QFETCH(QString, flashSize);
        QFETCH(int, size);
        QFETCH(int, packets);
        QByteArray bytes(size, Qt::Uninitialized);
        for (int i = 0; i < size; ++i)
            bytes[i] = char(i * 7 + (i >> 9));
        settings.FileName = writeImage(bytes);
        settings.FlashSize = flashSize;

        QVERIFY(worker.loadImageFile());
        QCOMPARE(lines.size(), 0);
        QCOMPARE(settings.image, bytes);
        QCOMPARE(settings.packetCount, packets);
        QCOMPARE(settings.imageCrc, quint32(crc32(0, reinterpret_cast<const Bytef*>(bytes.constData()), uInt(size))));
    }

    void refusedImage_data()
    {
        QTest::addColumn<QString>("flashSize");
        QTest::addColumn<int>("size");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("message");
        QTest::newRow("no file name") << "1M" << 0 << ""
                                      << "Error: please input file name!";
        QTest::newRow("missing file") << "1M" << -1 << "missing.bin"
                                      << "Error: can't open %1";
        QTest::newRow("a folder") << "1M" << -1 << "."
                                  << "Error: can't open %1";
        QTest::newRow("one byte over 1M") << "1M" << 1044481 << "image.bin"
                                          << "Error: the size of file: %1 is out of range!";
        QTest::newRow("size not a digit") << "M1" << 0 << "image.bin"
                                          << "Error: the size of file: %1 is out of range!";
        QTest::newRow("empty size") << "" << 0 << "image.bin"
                                    << "Error: the size of file: %1 is out of range!";
        QTest::newRow("non-ASCII digit") << QString::fromUtf8("٤M") << 0 << "image.bin"
                                         << "Error: the size of file: %1 is out of range!";
    }

    void refusedImage()
    {
        QFETCH(QString, flashSize);
        QFETCH(int, size);
        QFETCH(QString, fileName);
        QFETCH(QString, message);
        settings.FileName = fileName.isEmpty() ? QString() : dir.filePath(fileName);
        if (size >= 0 && !fileName.isEmpty())
            writeImage(QByteArray(size, 'x'));
        settings.FlashSize = flashSize;

        QVERIFY(!worker.loadImageFile());
        QCOMPARE(lines.size(), 1);
        QCOMPARE(lines.first().first, message.arg(settings.FileName));
        QCOMPARE(lines.first().second, QColor(Qt::red));
    }

private:
    QString writeImage(const QByteArray& bytes)
    {
        QFile file(dir.filePath("image.bin"));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
            qFatal("cannot write the image");
        return file.fileName();
    }

    QTemporaryDir dir;
    WorkerSettings settings { 0 };
    DownloadWorker worker;
    QList<QPair<QString, QColor>> lines;
};

QTEST_GUILESS_MAIN(LoadImageTest)
#include "tst_loadimage.moc"
