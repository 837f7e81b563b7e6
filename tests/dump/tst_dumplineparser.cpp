// The line rules of the console's "md" reply.
#include "DumpLineParser.h"

#include <QtTest>

using Words = QList<quint32>;
Q_DECLARE_METATYPE(Words)

class DumpLineParserTest : public QObject {
    Q_OBJECT

private slots:
    void wordsOfLine_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<Words>("words");

        QTest::newRow("four words") << QByteArray("18000000: 03020100 07060504 0b0a0908 0f0e0d0c\r")
                                    << Words { 0x03020100, 0x07060504, 0x0b0a0908, 0x0f0e0d0c };
        QTest::newRow("last line of a short chunk") << QByteArray("18004000: deadbeef") << Words { 0xdeadbeef };
        QTest::newRow("upper-case digits")
            << QByteArray("18000000: ABCDEF01 FFFFFFFF") << Words { 0xabcdef01, 0xffffffff };
        QTest::newRow("more than four words") << QByteArray("18000000: 1 2 3 4 5 6 7 8") << Words { 1, 2, 3, 4 };
        QTest::newRow("single-word register reply") << QByteArray("[0x00000004] = 0x0000B0B1\r") << Words { 0xB0B1 };
        QTest::newRow("blanks around the line") << QByteArray("  \t18000000: 00000001 00000002  \r") << Words { 1, 2 };
        QTest::newRow("doubled space takes a place")
            << QByteArray("18000000:  00000001 00000002 00000003 00000004") << Words { 1, 2, 3 };
        QTest::newRow("echo") << QByteArray("md 18000000 4096\r") << Words {};
        QTest::newRow("echo behind the prompt") << QByteArray("Boot >md 18000000 4096\r") << Words {};
        QTest::newRow("echo behind a piece of the prompt") << QByteArray("ot >md 18000000 4096\r") << Words {};
        QTest::newRow("prompt alone") << QByteArray("Boot >") << Words {};
        QTest::newRow("prompt after data") << QByteArray("18000000: 00000001 Boot >") << Words {};
        QTest::newRow("echo with a doubled space is data")
            << QByteArray("md  18000000 4096\r") << Words { 0x18000000, 0x4096 };
        QTest::newRow("echo of another command is data")
            << QByteArray("md 18004000 4096") << Words { 0x18004000, 0x4096 };
        QTest::newRow("address label only") << QByteArray("18000000:") << Words {};
        QTest::newRow("empty line") << QByteArray("\r") << Words {};
        QTest::newRow("not hexadecimal") << QByteArray("18000000: xyz 00000002 -- 12") << Words { 2, 0x12 };
        QTest::newRow("too large for 32 bits") << QByteArray("18000000: 100000000 00000001") << Words { 1 };
        QTest::newRow("complaint") << QByteArray("Usage: md <addr> [count]") << Words {};
    }

    void wordsOfLine()
    {
        QFETCH(QByteArray, line);
        QFETCH(Words, words);
        const DumpLineParser parser("md 18000000 4096");
        QCOMPARE(parser.words(line), words);
    }

    void takeLines_data()
    {
        QTest::addColumn<QByteArray>("buffer");
        QTest::addColumn<QList<QByteArray>>("lines");
        QTest::addColumn<QByteArray>("rest");

        QTest::newRow("nothing complete")
            << QByteArray("18000000: 0000") << QList<QByteArray> {} << QByteArray("18000000: 0000");
        QTest::newRow("one line and a piece")
            << QByteArray("md 1 4\r\n18000000: 00") << QList<QByteArray> { "md 1 4\r" } << QByteArray("18000000: 00");
        QTest::newRow("ends at a line feed")
            << QByteArray("a\r\nb\r\n") << QList<QByteArray> { "a\r", "b\r" } << QByteArray();
        QTest::newRow("prompt stays for the next read")
            << QByteArray("a\r\nBoot >") << QList<QByteArray> { "a\r" } << QByteArray("Boot >");
        QTest::newRow("empty lines") << QByteArray("\n\n") << QList<QByteArray> { "", "" } << QByteArray();
        QTest::newRow("empty buffer") << QByteArray() << QList<QByteArray> {} << QByteArray();
    }

    void takeLines()
    {
        QFETCH(QByteArray, buffer);
        QFETCH(QList<QByteArray>, lines);
        QFETCH(QByteArray, rest);
        QCOMPARE(DumpLineParser::takeLines(buffer), lines);
        QCOMPARE(buffer, rest);
    }

    // A line cut anywhere by the reads gives the same words once its line feed is in.
    void lineSplitAcrossReadsGivesSameWords()
    {
        const QByteArray reply("md 18000000 8\r\n18000000: 00000001 00000002 00000003 00000004\r\n"
                               "18000010: 00000005 00000006 00000007 00000008\r\nBoot >");
        const DumpLineParser parser("md 18000000 8");
        for (int cut = 0; cut <= reply.size(); ++cut) {
            QByteArray buffer;
            Words words;
            for (const QByteArray& read : { reply.left(cut), reply.mid(cut) }) {
                buffer += read;
                for (const QByteArray& line : DumpLineParser::takeLines(buffer))
                    words += parser.words(line);
            }
            QCOMPARE(words, Words({ 1, 2, 3, 4, 5, 6, 7, 8 }));
            QCOMPARE(buffer, QByteArray("Boot >"));
        }
    }
};

QTEST_GUILESS_MAIN(DumpLineParserTest)
#include "tst_dumplineparser.moc"
