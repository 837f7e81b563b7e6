#include "ConsoleLineReader.h"

#include <utility>

namespace {
// A runaway line (noise on the wire) is cut, as the console's buffer is small.
constexpr int maxLineLength = 4096;
} // namespace

void ConsoleLineReader::reset()
{
    line.clear();
    waiting.clear();
    hasWaiting = false;
    lfExpected = false;
}

QList<ConsoleLineReader::Line> ConsoleLineReader::feed(char byte, int following, bool waitForLf)
{
    QList<Line> complete;
    if (hasWaiting) {
        hasWaiting = false;
        if (byte == '\n') {
            complete.append({ std::exchange(waiting, {}), "\r\n" });
            return complete;
        }
        complete.append({ std::exchange(waiting, {}), "\r" });
    }
    if (byte == '\n' && lfExpected) {
        lfExpected = false;
        return complete; // the LF of a CR LF, already counted with its line
    }
    lfExpected = false;
    if (byte == '\n') {
        complete.append({ std::exchange(line, {}), "\n" });
    } else if (byte == '\r') {
        QByteArray text = std::exchange(line, {});
        if (following == '\n') {
            complete.append({ text, "\r\n" });
            lfExpected = true;
        } else if (following < 0 && waitForLf && requiredTerminator(text) == "\r\n") {
            waiting = text;
            hasWaiting = true;
        } else {
            complete.append({ text, "\r" });
        }
    } else if (line.size() < maxLineLength) {
        line.append(byte);
    }
    return complete;
}

QByteArray ConsoleLineReader::requiredTerminator(const QByteArray& text)
{
    const QList<QByteArray> words = text.simplified().split(' ');
    const QByteArray& verb = words.first();
    if (verb == "erase" || (verb == "flash" && words.value(1) == "7"))
        return "\n";
    if (verb == "md" && words.size() == 3)
        return "\r\n";
    return "\r";
}
