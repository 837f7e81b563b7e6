// The dump step against the virtual chip: the file must hold the chip's flash
// byte for byte, or only the chunks that arrived whole.
#include "WorkerHarness.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtEndian>

namespace {

constexpr int flashSize = 4 * 1024 * 1024;
constexpr int chunkBytes = 16384;

QByteArray flashPattern()
{
    QByteArray bytes(flashSize, Qt::Uninitialized);
    for (int i = 0; i < flashSize; ++i)
        bytes[i] = char((quint32(i) * 2654435761u) >> 24);
    return bytes;
}

QByteArray littleEndian(quint32 word)
{
    QByteArray bytes(4, Qt::Uninitialized);
    qToLittleEndian(word, bytes.data());
    return bytes;
}

QList<QByteArray> dumpCommands(const VirtualChip& chip)
{
    QList<QByteArray> found;
    for (const QByteArray& command : chip.commands())
        if (command.startsWith("md"))
            found.append(command);
    return found;
}

QStringList progressLines(const WorkerHarness& h)
{
    return h.texts().filter(QStringLiteral("Dumped "));
}

} // namespace

class DumpFlashTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir;
    QByteArray pattern;

    void prepare(WorkerHarness& h, const QString& size, const QString& addr = QStringLiteral("18000000"))
    {
        h.chip.fillFlash(0, pattern);
        h.settings.DumpAddr = addr;
        h.settings.DumpSize = size;
        h.settings.SaveFile = dir.filePath(QStringLiteral("dump.bin"));
        QFile::remove(h.settings.SaveFile);
    }

    QByteArray savedFile(const WorkerHarness& h) const
    {
        QFile file(h.settings.SaveFile);
        if (!file.open(QIODevice::ReadOnly))
            return QByteArray("<missing>");
        return file.readAll();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        pattern = flashPattern();
    }

    void emptyDumpTruncatesFileAndSendsNothing()
    {
        WorkerHarness h(2);
        prepare(h, QStringLiteral("0"));
        QFile old(h.settings.SaveFile);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("left over from before");
        old.close();

        h.worker.start(true);
        QVERIFY(QFileInfo::exists(h.settings.SaveFile));
        QCOMPARE(savedFile(h), QByteArray());
        QVERIFY(dumpCommands(h.chip).isEmpty());
        QVERIFY(h.texts().contains("Dump Finished!"));
        QVERIFY(h.texts().contains("Download successed!"));
        QCOMPARE(h.finished(), QList<bool>({ true }));
    }

    void chunks_data()
    {
        QTest::addColumn<QString>("addr");
        QTest::addColumn<QString>("size");
        QTest::addColumn<QStringList>("commands");
        QTest::addColumn<QStringList>("progress");

        QTest::newRow("one chunk") << "18000000"
                                   << "4096" << QStringList { "md 18000000 4096" }
                                   << QStringList { "Dumped 100%,0x18000000!" };
        QTest::newRow("one word over a chunk") << "18000000"
                                               << "4097" << QStringList { "md 18000000 4096", "md 18004000 1" }
                                               << QStringList { "Dumped 50%,0x18000000!", "Dumped 100%,0x18004000!" };
        QTest::newRow("three chunks, hexadecimal size")
            << "18000000"
            << "0x3000" << QStringList { "md 18000000 4096", "md 18004000 4096", "md 18008000 4096" }
            << QStringList { "Dumped 33%,0x18000000!", "Dumped 66%,0x18004000!", "Dumped 100%,0x18008000!" };
        QTest::newRow("octal size, unaligned start")
            << "0x18000104"
            << "010" << QStringList { "md 18000104 8" } << QStringList { "Dumped 100%,0x18000104!" };
        QTest::newRow("short last line") << "18010000"
                                         << "6" << QStringList { "md 18010000 6" }
                                         << QStringList { "Dumped 100%,0x18010000!" };
    }

    void chunks()
    {
        QFETCH(QString, addr);
        QFETCH(QString, size);
        QFETCH(QStringList, commands);
        QFETCH(QStringList, progress);

        WorkerHarness h(2);
        prepare(h, size, addr);
        QSignalSpy progressSpy(&h.worker, &DownloadWorker::sngProgress);
        h.worker.start(true);

        QStringList sent;
        for (const QByteArray& command : dumpCommands(h.chip))
            sent.append(QString::fromLatin1(command));
        QCOMPARE(sent, commands);
        QCOMPARE(progressLines(h), progress);
        QCOMPARE(h.colorOf(progress.last()), QColor(Qt::green));
        QCOMPARE(h.colorOf("Begin to dump..."), QColor(Qt::white));
        QCOMPARE(h.colorOf("Dump Finished!"), QColor(Qt::green));
        QCOMPARE(h.finished(), QList<bool>({ true }));

        const int offset = int(addr.toUInt(nullptr, 16) - 0x18000000u);
        const int bytes = int(size.toUInt(nullptr, 0)) * 4;
        QCOMPARE(savedFile(h), pattern.mid(offset, bytes));

        // The dump window's progress bar: every completed chunk, counted out of all.
        const int chunkCount = commands.size();
        QCOMPARE(progressSpy.last().at(0).toInt(), chunkCount);
        QCOMPARE(progressSpy.last().at(1).toInt(), chunkCount);
        QCOMPARE(progressSpy.at(progressSpy.size() - chunkCount - 1).at(0).toInt(), 0);
    }

    void consoleLayouts_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::newRow("line split across reads") << "split";
        QTest::newRow("echo behind the prompt") << "prompt";
        QTest::newRow("more than four words on a line") << "wide";
    }

    // Two chunks, so that the prompt left over from the first is seen by the second.
    void consoleLayouts()
    {
        QFETCH(QString, layout);
        WorkerHarness h(2);
        prepare(h, QStringLiteral("4100"));
        h.chip.configure([&](ChipKnobs& k) {
            if (layout == "split") {
                k.splitReplyAt = 40; // "md 18000000 4096\r\n18000000: 6a.." | "..."
                k.splitPauseMs = 80;
            }
            k.echoBehindPrompt = layout == "prompt";
            k.mdExtraWords = layout == "wide" ? 3 : 0;
        });
        h.worker.start(true);
        QCOMPARE(progressLines(h), QStringList({ "Dumped 50%,0x18000000!", "Dumped 100%,0x18004000!" }));
        QVERIFY(!h.texts().contains("Dump Timeout!"));
        QCOMPARE(savedFile(h), pattern.left(4100 * 4));
        QCOMPARE(h.finished(), QList<bool>({ true }));
    }

    // The console garbled its echo: it is not the command, so its fields are words.
    void echoWithDoubledSpaceIsData()
    {
        WorkerHarness h(2);
        prepare(h, QStringLiteral("4096"));
        h.chip.configure([](ChipKnobs& k) { k.echoDoubledSpace = true; });
        h.worker.start(true);
        const QByteArray expected = littleEndian(0x18000000) + littleEndian(0x4096) + pattern.left(chunkBytes - 8);
        QCOMPARE(savedFile(h), expected);
        QVERIFY(h.texts().contains("Dump Finished!"));
    }

    void stopKeepsCompletedChunks()
    {
        WorkerHarness h(2);
        prepare(h, QStringLiteral("0x3000"));
        LinkTiming timing = h.worker.timing();
        timing.dumpChunk = std::chrono::milliseconds(10000);
        h.worker.setTiming(timing);
        h.chip.configure([](ChipKnobs& k) {
            k.mdCutAtCommand = 2;
            k.mdCutAfterWords = 100; // the second chunk stalls half-way
        });
        QObject::connect(&h.worker, &DownloadWorker::sngProgress, &h.worker, [&](int done, int) {
            if (done == 1)
                h.stopAfter(150);
        });
        h.worker.start(true);

        QVERIFY(h.texts().contains("Cancel"));
        QCOMPARE(h.colorOf("Cancel"), QColor(Qt::red));
        QVERIFY(h.texts().contains("Download failed!"));
        QVERIFY(!h.texts().contains("Dump Finished!"));
        QCOMPARE(progressLines(h), QStringList({ "Dumped 33%,0x18000000!" }));
        QCOMPARE(savedFile(h), pattern.left(chunkBytes));
        QCOMPARE(dumpCommands(h.chip).size(), 2);
        QCOMPARE(h.finished(), QList<bool>({ false }));
    }

    void timedOutChunkFailsTheDump_data()
    {
        QTest::addColumn<int>("restDelayMs");
        QTest::newRow("rest never comes") << -1;
        QTest::newRow("rest comes too late") << 900;
    }

    // A chunk that timed out must not leave its words in the file, where they
    // would sit at the addresses of the chunks after it.
    void timedOutChunkFailsTheDump()
    {
        QFETCH(int, restDelayMs);
        WorkerHarness h(2);
        prepare(h, QStringLiteral("0x3000"));
        h.chip.configure([&](ChipKnobs& k) {
            k.mdCutAtCommand = 2;
            k.mdCutAfterWords = 1000;
            k.mdRestDelayMs = restDelayMs;
        });
        h.worker.start(true);

        QCOMPARE(h.colorOf("Dump Timeout!"), QColor(Qt::red));
        QCOMPARE(h.count("Dump Timeout!"), 1);
        QVERIFY(!h.texts().contains("Dump Finished!"));
        QVERIFY(h.texts().contains("Download failed!"));
        QCOMPARE(h.finished(), QList<bool>({ false }));
        QCOMPARE(dumpCommands(h.chip).size(), 2);
        QCOMPARE(progressLines(h), QStringList({ "Dumped 33%,0x18000000!" }));
        QCOMPARE(savedFile(h), pattern.left(chunkBytes));
    }

    void fileThatCannotBeOpened()
    {
        WorkerHarness h(2);
        prepare(h, QStringLiteral("4096"));
        h.settings.SaveFile = dir.filePath(QStringLiteral("no-such-folder/dump.bin"));
        h.worker.start(true);
        QCOMPARE(h.colorOf("Error :failed to open save file!"), QColor(Qt::red));
        QVERIFY(dumpCommands(h.chip).isEmpty());
        QVERIFY(h.texts().contains("Download failed!"));
        QCOMPARE(h.finished(), QList<bool>({ false }));
    }

    // A full disk must not end as "Dump Finished!".
    void fileThatCannotBeWritten()
    {
        if (!QFileInfo::exists(QStringLiteral("/dev/full")))
            QSKIP("no /dev/full here");
        WorkerHarness h(2);
        prepare(h, QStringLiteral("0x3000"));
        h.settings.SaveFile = QStringLiteral("/dev/full");
        h.worker.start(true);
        QCOMPARE(h.colorOf("Error :failed to write save file!"), QColor(Qt::red));
        QVERIFY(!h.texts().contains("Dump Finished!"));
        QVERIFY(progressLines(h).isEmpty());
        QCOMPARE(dumpCommands(h.chip).size(), 1);
        QCOMPARE(h.finished(), QList<bool>({ false }));
    }
};

QTEST_GUILESS_MAIN(DumpFlashTest)
#include "tst_dumpflash.moc"
