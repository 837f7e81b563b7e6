#pragma once

#include "LineSettings.h"

#include <QByteArray>

// The chip's UART against the host's. It looks at the host's settings once
// per burst of bytes (not per byte: one system call each), and while they do
// not suit the chip every byte crossing in either direction comes out as a
// UART at the wrong speed makes of it: a different byte, never dropped.
class UartLink {
public:
    // Reads the host's settings again from the terminal behind fd; a
    // terminal that cannot be read leaves the last ones.
    void check(int fd, int chipBaud);

    bool intact() const { return matching; }
    const LineSettings& host() const { return settings; }

    // Garbles the bytes in place unless the line is intact.
    void pass(char* bytes, qsizetype count) const;
    // What one byte turns into on a line whose speeds differ. Deterministic;
    // text turns into bytes with the top bit set and back, so that neither a
    // command, a line end nor a prompt survives the crossing.
    static char garble(char byte);

private:
    LineSettings settings;
    bool matching = true;
};
