#include "DumpLineParser.h"

#include <QtEndian>

namespace {
// The command's echo, alone or behind the tail of a prompt that arrived in pieces ("ot >md ...").
bool isEcho(const QByteArray& text, const QByteArray& command)
{
    if (!text.endsWith(command))
        return false;
    const QByteArray before = text.left(text.size() - command.size()).trimmed();
    return before.isEmpty() || before.endsWith('>');
}
} // namespace

DumpLineParser::DumpLineParser(const QByteArray& command)
    : command(command)
{ }

QList<QByteArray> DumpLineParser::takeLines(QByteArray& buffer)
{
    QList<QByteArray> lines = buffer.split('\n');
    buffer = lines.takeLast();
    return lines;
}

QList<quint32> DumpLineParser::words(const QByteArray& line) const
{
    const QByteArray text = line.trimmed();
    if (isEcho(text, command) || text.contains("Boot >"))
        return {};
    // Single spaces only: an empty token between two spaces still takes a place.
    const QList<QByteArray> tokens = text.split(' ');
    QList<quint32> found;
    for (int i = 1; i < tokens.size() && i <= maxWordsPerLine; ++i) {
        bool ok = false;
        const quint32 value = tokens.at(i).toUInt(&ok, 16);
        if (ok)
            found.append(value);
    }
    return found;
}

QByteArray DumpLineParser::bytesOf(const QList<quint32>& words)
{
    QByteArray bytes(words.size() * 4, Qt::Uninitialized);
    for (int i = 0; i < words.size(); ++i)
        qToLittleEndian(words.at(i), bytes.data() + i * 4);
    return bytes;
}
