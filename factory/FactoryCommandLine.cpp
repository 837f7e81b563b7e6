#include "FactoryCommandLine.h"

#include "FixtureKey.h"

namespace {

bool takePorts(const QString& list, QStringList& ports)
{
    ports = list.split(QLatin1Char(','));
    if (ports.size() > FactoryCommandLine::maxStations || ports.removeDuplicates() > 0)
        return false;
    for (const QString& port : ports) {
        if (!FixtureKey::isWellFormed(port))
            return false;
    }
    return true;
}
} // namespace

FactoryCommandLine FactoryCommandLine::parse(const QStringList& arguments)
{
    FactoryCommandLine line;
    bool portsSeen = false;
    bool fileSeen = false;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        // An option's value is never an option itself.
        const bool hasValue = i + 1 < arguments.size() && !arguments.at(i + 1).startsWith(QLatin1Char('-'));
        if (argument == QLatin1String("--start") && !line.start) {
            line.start = true;
        } else if (argument == QLatin1String("--ports") && hasValue && !portsSeen) {
            portsSeen = true;
            if (!takePorts(arguments.at(++i), line.ports))
                return FactoryCommandLine();
        } else if (argument == QLatin1String("--file") && hasValue && !fileSeen && !arguments.at(i + 1).isEmpty()) {
            fileSeen = true;
            line.file = arguments.at(++i);
        } else {
            return FactoryCommandLine();
        }
    }
    line.valid = true;
    return line;
}

QString FactoryCommandLine::usage()
{
    return QStringLiteral("usage: tervaskfactory [--ports P1,P2,...] [--file IMAGE] [--start]\n"
                          "  --ports  1 to 16 fixtures, each a system name (ttyUSB0, COM3), a path (\\\\.\\COM12),\n"
                          "           or the USB socket of its adapter (usb:1-1.4)\n"
                          "  --file   the image every station downloads\n"
                          "  --start  start all stations once the window is up\n");
}
