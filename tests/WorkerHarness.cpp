#include "WorkerHarness.h"

#include "Crc32Wifi.h"

#include <QSerialPort>

void WorkerHarness::useImage(const QByteArray& bytes)
{
    settings.image = bytes;
    settings.packetCount = int((bytes.size() + settings.packetSize - 1) / settings.packetSize);
    settings.imageCrc = Crc32_wifi(reinterpret_cast<const unsigned char*>(bytes.constData()), unsigned(bytes.size()));
}

// probedName: a port that fails as portName will (a link about to disappear: one that never existed).
QString WorkerHarness::openRefusal(const QString& portName, const QString& probedName)
{
    QSerialPort probe(probedName.isEmpty() ? portName : probedName);
    if (probe.open(QIODevice::ReadWrite))
        return QStringLiteral("<%1 opens>").arg(probe.portName());
    return QStringLiteral("Error:failed to open port%1: %2").arg(portName, probe.errorString());
}
