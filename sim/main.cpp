// vynsim: a virtual VYN chip on a pseudo-terminal, for running the programs without a board.
#include "VirtualChip.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QSocketNotifier>
#include <QTextStream>

#include <csignal>
#include <unistd.h>

namespace {

int signalPipe[2] = { -1, -1 };

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(signalPipe[1], &byte, 1);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vynsim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("A virtual VYN chip: its boot console on a pseudo-terminal."));
    parser.addHelpOption();
    const QCommandLineOption baud(QStringLiteral("baud"),
        QStringLiteral("Pace the wire at this baud rate (0: no pacing)."), QStringLiteral("rate"), QStringLiteral("0"));
    const QCommandLineOption latency(QStringLiteral("latency"), QStringLiteral("Adapter latency in milliseconds."),
        QStringLiteral("ms"), QStringLiteral("0"));
    const QCommandLineOption flashSize(
        QStringLiteral("flash"), QStringLiteral("Flash size in MiB."), QStringLiteral("mib"), QStringLiteral("4"));
    const QCommandLineOption link(QStringLiteral("link"),
        QStringLiteral("Also make the port reachable as this path (a symbolic link)."), QStringLiteral("path"));
    const QCommandLineOption portFile(
        QStringLiteral("port-file"), QStringLiteral("Write the port name into this file."), QStringLiteral("path"));
    const QCommandLineOption md4(QStringLiteral("md4"), QStringLiteral("The word \"md 4\" reports (hexadecimal)."),
        QStringLiteral("word"), QStringLiteral("B0B1"));
    parser.addOptions({ baud, latency, flashSize, link, portFile, md4 });
    parser.process(app);

    VirtualChip chip(parser.value(flashSize).toInt() * 1024 * 1024);
    chip.configure([&](ChipKnobs& k) {
        k.baud = parser.value(baud).toInt();
        k.adapterLatencyMs = parser.value(latency).toInt();
        k.md4Word = parser.value(md4).toUInt(nullptr, 16);
    });
    if (!chip.start()) {
        QTextStream(stderr) << "vynsim: cannot open a pseudo-terminal\n";
        return 1;
    }

    QString name = chip.portName();
    if (parser.isSet(link)) {
        const QString path = parser.value(link);
        QFile::remove(path);
        if (!QFile::link(chip.portName(), path)) {
            QTextStream(stderr) << "vynsim: cannot create " << path << "\n";
            return 1;
        }
        name = path;
    }
    if (parser.isSet(portFile)) {
        QFile file(parser.value(portFile));
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(name.toLocal8Bit() + '\n');
    }
    QTextStream(stdout) << name << Qt::endl;

    if (pipe(signalPipe) != 0)
        return 1;
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    QSocketNotifier notifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    const int status = app.exec();
    if (parser.isSet(link))
        QFile::remove(parser.value(link));
    return status;
}
