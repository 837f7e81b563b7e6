#include "UsbLocation.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>

// Linux names the socket in the path of the port's device, e.g.
// /sys/devices/.../usb1/1-1/1-1.4/1-1.4:1.0/ttyUSB0: the last "bus-port.port" part.
QString usbLocationOf(const QString& portName)
{
    static const QRegularExpression socketPart(QStringLiteral("^\\d+-\\d+(\\.\\d+)*$"));
    const QString device = QFileInfo(QStringLiteral("/sys/class/tty/%1/device").arg(portName)).canonicalFilePath();
    const QStringList parts = device.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (auto part = parts.crbegin(); part != parts.crend(); ++part) {
        if (socketPart.match(*part).hasMatch())
            return *part;
    }
    return QString();
}
