#include "RecordContext.h"

#include "UsbLocation.h"
#include "WorkerSettings.h"

#include <QFileInfo>
#include <QSerialPortInfo>
#include <QSysInfo>

void RecordContext::describeAdapter()
{
    const QString wanted = QFileInfo(station).fileName();
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        if (info.portName() == wanted || info.systemLocation() == station) {
            portSerial = info.serialNumber();
            portLocation = usbLocationOf(info.portName());
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
