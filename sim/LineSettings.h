#pragma once

#include <QByteArray>

// The host's side of the serial line as its terminal settings say: speed,
// frame and flow control, all of which a real UART must agree with for any
// byte to cross intact. On a pseudo-terminal the kernel keeps every line at 8
// data bits without parity, whatever the host asked for: only the speed, the
// stop bits and the flow control can be seen there.
struct LineSettings {
    int baud = 0; // bits per second the host sends at
    int receiveBaud = 0; // and receives at
    int dataBits = 8;
    bool parity = false;
    bool oddParity = false;
    bool twoStopBits = false;
    bool hardwareFlow = false; // RTS/CTS
    bool softwareFlow = false; // XON/XOFF

    // The settings of the terminal behind fd; false when they cannot be read.
    static bool read(int fd, LineSettings& settings);

    // Whether a chip's UART at chipBaud understands this host: 8N1 without
    // flow control, at a speed within a UART's tolerance. A chip with no
    // speed of its own (0, an unpaced wire) takes any speed.
    bool suits(int chipBaud) const;

    // "460800 8N1", "115200 7E2 RTS/CTS XON/XOFF"
    QByteArray describe() const;

    bool operator==(const LineSettings& other) const;
};
