#include "PortListing.h"

#include "PortList.h"
#include "UsbLocation.h"

#include <QSerialPortInfo>

#include <algorithm>

QList<PortListing> PortListing::available()
{
    QList<PortListing> listings;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        listings.append({ info.portName(), info.systemLocation(), info.serialNumber(), usbLocationOf(info.portName()),
            info.description() });
    }
    // The extra names follow the system's, as in the other windows' port lists.
    const QStringList names = extraPortNames();
    for (const QString& name : names) {
        const bool known = std::any_of(
            listings.cbegin(), listings.cend(), [&name](const PortListing& p) { return p.name == name; });
        if (!known)
            listings.append({ name, name, QString(), QString(), QString() });
    }
    return listings;
}
