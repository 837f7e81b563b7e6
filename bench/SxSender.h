#pragma once

#include <QString>

// lrzsz's "sx -k" (XMODEM-1K) sending a file into the virtual chip's
// receiver, for comparison with the worker. sx talks through pipes relayed to
// the line: on a terminal it would switch on software flow control, which
// the chip's line does not have.
class SxSender {
public:
    // The sx program on the PATH, or empty.
    static QString program();

    // Puts the console into its receiver with "loadx", then relays between
    // the line and sx until sx exits. True when sx reports success.
    // The port is set to raw 8N1 at baud first.
    bool send(const QString& portName, int baud, const QString& file, int timeoutMs);
    QString failure() const { return why; }

private:
    bool relay(int line, int toSx, int fromSx, int timeoutMs);

    QString why;
};
