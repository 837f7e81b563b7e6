#include "PortList.h"

#include <QDir>
#include <QSerialPortInfo>

QStringList availablePortNames()
{
    QStringList names;
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo& info : ports)
        names.append(info.portName());

    const QStringList extraNames = extraPortNames();
    for (const QString& name : extraNames) {
        if (!names.contains(name))
            names.append(name);
    }
    return names;
}

QStringList extraPortNames()
{
    const QString extra = qEnvironmentVariable("TERVASK_EXTRA_PORTS");
    return extra.split(QDir::listSeparator(), Qt::SkipEmptyParts);
}
