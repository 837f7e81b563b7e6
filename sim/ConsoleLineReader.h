#pragma once

#include <QByteArray>
#include <QList>

// Cuts the console's input into lines and notes how each line ended. The
// terminator of a line is the run of CR/LF bytes that came with it: a CR
// followed by an LF the host sent in the same write is one CR LF, not a
// line and an empty line; an LF that comes later is a line of its own.
class ConsoleLineReader {
public:
    struct Line {
        QByteArray text;
        QByteArray terminator;
    };

    // following: the byte the host sent right behind this one, when it has
    // been received already, else -1. With waitForLf a line that needs CR LF
    // and has only its CR so far waits for the next byte to see how it ends.
    QList<Line> feed(char byte, int following, bool waitForLf);
    void reset();

    // The line end the tools send with this line: LF after an erase, CR LF
    // after a memory dump with a count, CR after anything else.
    static QByteArray requiredTerminator(const QByteArray& text);

private:
    QByteArray line;
    QByteArray waiting; // a line that needs CR LF, seen up to its CR
    bool hasWaiting = false;
    bool lfExpected = false; // the last line ended in a CR whose LF is still to come
};
