#pragma once

#include <QList>
#include <QString>

// One serial port as the chooser offers it, with what tells fixtures apart.
struct PortListing {
    QString name; // as a station opens it: "ttyUSB0", or a path from TERVASK_EXTRA_PORTS
    QString systemLocation; // "/dev/ttyUSB0"
    QString serialNumber; // the USB adapter's, when it has one
    QString usbPort; // the USB socket path, e.g. "1-1.4", where the system tells it
    QString description;

    // The system's ports, then those of TERVASK_EXTRA_PORTS. Can take seconds
    // on some machines: call it off the GUI thread.
    static QList<PortListing> available();
};
