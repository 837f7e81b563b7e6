#include "PortList.h"

#include <QDir>
#include <QSerialPortInfo>

QStringList availablePortNames()
{
    QStringList names;
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo& info : ports)
        names.append(info.portName());

    const QString extra = qEnvironmentVariable("TERVASK_EXTRA_PORTS");
    const QStringList extraNames = extra.split(QDir::listSeparator(), Qt::SkipEmptyParts);
    for (const QString& name : extraNames) {
        if (!names.contains(name))
            names.append(name);
    }
    return names;
}
