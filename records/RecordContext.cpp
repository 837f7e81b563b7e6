#include "RecordContext.h"

#include "WorkerSettings.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSerialPortInfo>
#include <QSysInfo>

namespace {

// Linux names a USB device by its place on the bus ("1-1.2": bus 1, port 1, hub port 2),
// which stays the same for a fixture's adapter across replugs.
QString usbLocation(const QString& portName)
{
    const QString device = QFileInfo(QStringLiteral("/sys/class/tty/%1/device").arg(portName)).canonicalFilePath();
    static const QRegularExpression usbPort(QStringLiteral("^\\d+-[\\d.]+$"));
    const QStringList parts = device.split(QLatin1Char('/'));
    for (auto it = parts.crbegin(); it != parts.crend(); ++it) {
        if (usbPort.match(*it).hasMatch())
            return *it;
    }
    return QString();
}

} // namespace

void RecordContext::describeAdapter()
{
    const QString wanted = QFileInfo(station).fileName();
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        if (info.portName() == wanted || info.systemLocation() == station) {
            portSerial = info.serialNumber();
            portLocation = usbLocation(info.portName());
            return;
        }
    }
}

RecordContext RecordContext::fromSettings(
    const QString& program, const WorkerSettings& settings, const QString& imagePath)
{
    RecordContext context;
    context.host = QSysInfo::machineHostName();
    context.program = program;
    context.programVersion = QStringLiteral(TERVASK_VERSION);
    context.station = settings.portName;
    context.imagePath = imagePath.isEmpty() ? QString() : QFileInfo(imagePath).absoluteFilePath();
    context.imageSize = settings.image.size();
    context.imageCrc32 = QStringLiteral("%1").arg(settings.imageCrc, 8, 16, QLatin1Char('0'));
    context.downloadAddr = settings.downloadAddr;
    context.flashSize = settings.FlashSize;
    context.baud = settings.BaudRate.toInt();
    return context;
}
