#include "PortListing.h"

#include "PortList.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSerialPortInfo>

#include <algorithm>

namespace {
// Linux names the USB socket an adapter sits in in the path of its device,
// e.g. .../usb1/1-1/1-1.4/1-1.4:1.0/ttyUSB0: the last "bus-port.port" part.
QString usbPortOf(const QString& name)
{
    static const QRegularExpression socketPath(QStringLiteral("^\\d+-\\d+(\\.\\d+)*$"));
    const QString device = QFileInfo(QStringLiteral("/sys/class/tty/%1/device").arg(name)).canonicalFilePath();
    const QStringList parts = device.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (auto part = parts.crbegin(); part != parts.crend(); ++part) {
        if (socketPath.match(*part).hasMatch())
            return *part;
    }
    return QString();
}
} // namespace

QList<PortListing> PortListing::available()
{
    QList<PortListing> listings;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        listings.append({ info.portName(), info.systemLocation(), info.serialNumber(), usbPortOf(info.portName()),
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
