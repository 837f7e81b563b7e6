#pragma once

#include <QtGlobal>

// One read of the host's bytes or one hand-over of the chip's bytes to the
// host, as the virtual chip's wire saw it (times since the chip started).
struct WireBurst {
    enum Direction { FromHost, ToHost };
    Direction direction;
    qint64 atUs; // read from the host, or handed over to it
    int bytes;
    // FromHost: when the burst's last byte has fully arrived at the chip.
    // ToHost: when its last byte has left the wire (before the adapter's latency).
    qint64 wireEndUs;
};
