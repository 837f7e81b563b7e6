// The dump's line splitting and line rules on arbitrary console output.
#include "DumpLineParser.h"
#include "FuzzCheck.h"

#include <QByteArray>

#include <fuzzer/FuzzedDataProvider.h>

namespace {

QByteArray toBytes(const std::string& text)
{
    return QByteArray(text.data(), qsizetype(text.size()));
}

QList<QByteArray> takeInPieces(const QByteArray& stream, const QList<int>& cuts, QByteArray& left)
{
    QList<QByteArray> lines;
    int from = 0;
    for (const int cut : cuts) {
        left += stream.mid(from, cut - from);
        lines += DumpLineParser::takeLines(left);
        from = cut;
    }
    left += stream.mid(from);
    lines += DumpLineParser::takeLines(left);
    return lines;
}

void checkSplitting(const QByteArray& stream, const QList<int>& cuts)
{
    QByteArray whole = stream;
    const QList<QByteArray> lines = DumpLineParser::takeLines(whole);
    QByteArray rebuilt;
    for (const QByteArray& line : lines) {
        FUZZ_CHECK(!line.contains('\n'));
        rebuilt += line + '\n';
    }
    FUZZ_CHECK(!whole.contains('\n'));
    FUZZ_CHECK(rebuilt + whole == stream);

    // However the reads cut the stream, the same lines come out.
    QByteArray left;
    FUZZ_CHECK(takeInPieces(stream, cuts, left) == lines);
    FUZZ_CHECK(left == whole);
}

void checkWords(const DumpLineParser& parser, const QByteArray& command, const QByteArray& line)
{
    const QList<quint32> words = parser.words(line);
    FUZZ_CHECK(words.size() <= DumpLineParser::maxWordsPerLine);
    const QByteArray text = line.trimmed();
    if (text == command || text.contains("Boot >"))
        FUZZ_CHECK(words.isEmpty());
    if (!text.contains(' '))
        FUZZ_CHECK(words.isEmpty()); // an address label alone
}

// The console's own layout: an address label and up to four words.
void checkConsoleLine(
    const DumpLineParser& parser, const QByteArray& command, quint32 address, const QList<quint32>& values)
{
    QByteArray line = QByteArray::number(address, 16).rightJustified(8, '0') + ':';
    for (const quint32 value : values)
        line += ' ' + QByteArray::number(value, 16).rightJustified(8, '0');
    if (line == command)
        return;
    FUZZ_CHECK(parser.words(line + "\r") == values.mid(0, DumpLineParser::maxWordsPerLine));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    const QByteArray command = toBytes(in.ConsumeRandomLengthString(40));
    const quint32 address = in.ConsumeIntegral<quint32>();
    QList<quint32> values;
    for (int n = in.ConsumeIntegralInRange(0, 6); n > 0; --n)
        values.append(in.ConsumeIntegral<quint32>());
    QList<int> cuts;
    for (int n = in.ConsumeIntegralInRange(0, 4); n > 0; --n)
        cuts.append(in.ConsumeIntegral<quint16>());
    const QByteArray stream = toBytes(in.ConsumeRemainingBytesAsString());
    for (int& cut : cuts)
        cut = stream.isEmpty() ? 0 : cut % (stream.size() + 1);
    std::sort(cuts.begin(), cuts.end());

    const DumpLineParser parser(command);
    checkSplitting(stream, cuts);
    QByteArray buffer = stream;
    for (const QByteArray& line : DumpLineParser::takeLines(buffer))
        checkWords(parser, command, line);
    checkWords(parser, command, buffer);
    checkConsoleLine(parser, command, address, values);
    return 0;
}
