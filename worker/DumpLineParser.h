#pragma once

#include <QByteArray>
#include <QList>

// Reads the console's text reply to one "md <addr> <words>" command. Pure:
// bytes in, lines and words out, so that it can be tested on its own.
class DumpLineParser {
public:
    // The command as sent, without its line end; its echo carries no words.
    explicit DumpLineParser(const QByteArray& command);

    static constexpr int maxWordsPerLine = 4;

    // Removes every line ended by a line feed from the front of buffer and
    // returns them in order, without their line feeds. A line still being
    // received stays in buffer until its line feed arrives.
    static QList<QByteArray> takeLines(QByteArray& buffer);

    // The words a reply line carries: none for the echo and for a line with
    // the prompt; otherwise the tokens after the address label, at most four
    // places, each hexadecimal token giving one word.
    QList<quint32> words(const QByteArray& line) const;

    // The words as the flash holds them: each least significant byte first.
    static QByteArray bytesOf(const QList<quint32>& words);

private:
    QByteArray command;
};
