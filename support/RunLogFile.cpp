#include "RunLogFile.h"

#include <QCoreApplication>

bool RunLogFile::open(const QString& stem)
{
    file.close();
    count = 0;
    file.setFileName(stem + QStringLiteral(".log"));
    if (file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::NewOnly))
        return true;
    file.setFileName(QStringLiteral("%1_%2.log").arg(stem).arg(QCoreApplication::applicationPid()));
    return file.open(QIODevice::WriteOnly | QIODevice::Append);
}

void RunLogFile::close()
{
    file.close();
}

void RunLogFile::append(const QString& line)
{
    // UTF-8 on every system: a Windows code page would turn a Chinese file name into "?".
    const QByteArray bytes = (line + QStringLiteral("\r\n")).toUtf8();
    count += bytes.size();
    if (file.isOpen()) {
        file.write(bytes);
        file.flush();
    }
}
