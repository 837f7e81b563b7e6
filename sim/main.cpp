// vynsim: virtual VYN chips on pseudo-terminals, for running the programs without a board.
#include "VirtualChip.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QSocketNotifier>
#include <QTextStream>

#include <csignal>
#include <memory>
#include <unistd.h>
#include <vector>

namespace {

int signalPipe[2] = { -1, -1 };

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(signalPipe[1], &byte, 1);
}

// One chip's symbolic link: the path itself for a single chip, else the path
// with the chip's number behind it.
QString linkFor(const QString& path, int index, int count)
{
    return count == 1 ? path : path + QString::number(index);
}

// "AA:BB:CC:DD:EE:FF" as a number; false on anything else.
bool parseMac(const QString& text, quint64& value)
{
    const QStringList octets = text.split(QLatin1Char(':'));
    if (octets.size() != 6)
        return false;
    value = 0;
    for (const QString& octet : octets) {
        bool ok = false;
        const uint byte = octet.toUInt(&ok, 16);
        if (!ok || octet.size() != 2)
            return false;
        value = (value << 8) | byte;
    }
    return true;
}

// As a chip that was made before keeps it: six bytes first octet first, or twelve upper-case hex digits.
QByteArray macField(quint64 value, bool text)
{
    if (text)
        return QByteArray::number(value, 16).rightJustified(12, '0').toUpper();
    QByteArray raw(6, 0);
    for (int i = 0; i < 6; ++i)
        raw[i] = char(value >> (40 - 8 * i));
    return raw;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vynsim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Virtual VYN chips: each a boot console on a pseudo-terminal of its own."));
    parser.addHelpOption();
    const QCommandLineOption count(QStringLiteral("count"),
        QStringLiteral("Serve this many independent chips, one port per line (1 to 64)."), QStringLiteral("n"),
        QStringLiteral("1"));
    const QCommandLineOption baud(QStringLiteral("baud"),
        QStringLiteral("The chip's UART speed; the wire is paced at it and a host at another speed gets garbage "
                       "(0: no pacing, any host speed)."),
        QStringLiteral("rate"), QStringLiteral("0"));
    const QCommandLineOption latency(QStringLiteral("latency"), QStringLiteral("Adapter latency in milliseconds."),
        QStringLiteral("ms"), QStringLiteral("0"));
    const QCommandLineOption flashSize(
        QStringLiteral("flash"), QStringLiteral("Flash size in MiB."), QStringLiteral("mib"), QStringLiteral("4"));
    const QCommandLineOption link(QStringLiteral("link"),
        QStringLiteral("Also make the port reachable as this path (a symbolic link); with --count, as this path "
                       "followed by the chip's number from 0."),
        QStringLiteral("path"));
    const QCommandLineOption portFile(QStringLiteral("port-file"),
        QStringLiteral("Write the port names into this file, one per line."), QStringLiteral("path"));
    const QCommandLineOption md4(QStringLiteral("md4"), QStringLiteral("The word \"md 4\" reports (hexadecimal)."),
        QStringLiteral("word"), QStringLiteral("B0B1"));
    const QCommandLineOption strict(QStringLiteral("strict"),
        QStringLiteral("Execute only lines with the line end the tools must send (CR; LF after an erase; CR LF "
                       "after \"md\" with a count)."));
    const QCommandLineOption mac(QStringLiteral("mac"),
        QStringLiteral("A chip that comes back for rework: its flash already holds this MAC address (chip 1 the "
                       "next one, and so on)."),
        QStringLiteral("AA:BB:CC:DD:EE:FF"));
    const QCommandLineOption macAt(QStringLiteral("mac-at"),
        QStringLiteral("The flash offset of the pre-written MAC address."), QStringLiteral("offset"));
    const QCommandLineOption macFormat(QStringLiteral("mac-format"),
        QStringLiteral("raw (six bytes) or text (twelve hexadecimal digits)."), QStringLiteral("format"),
        QStringLiteral("raw"));
    parser.addOptions({ count, baud, latency, flashSize, link, portFile, md4, strict, mac, macAt, macFormat });
    parser.process(app);

    bool countOk = false;
    const int chipCount = parser.value(count).toInt(&countOk);
    if (!countOk || chipCount < 1 || chipCount > 64) {
        QTextStream(stderr) << "vynsim: --count takes a number from 1 to 64\n";
        return 1;
    }
    quint64 firstMac = 0;
    bool macOffsetOk = false;
    const int macOffset = parser.value(macAt).toInt(&macOffsetOk, 0);
    if (parser.isSet(mac)
        && (!parseMac(parser.value(mac), firstMac) || !macOffsetOk || macOffset < 0
            || macOffset + 12 > parser.value(flashSize).toInt() * 1024 * 1024
            || (parser.value(macFormat) != QLatin1String("raw") && parser.value(macFormat) != QLatin1String("text")))) {
        QTextStream(stderr) << "vynsim: --mac takes AA:BB:CC:DD:EE:FF, with --mac-at OFFSET and --mac-format raw|text\n";
        return 1;
    }
    std::vector<std::unique_ptr<VirtualChip>> chips;
    QStringList names;
    QStringList links;
    for (int index = 0; index < chipCount; ++index) {
        chips.push_back(std::make_unique<VirtualChip>(parser.value(flashSize).toInt() * 1024 * 1024));
        VirtualChip& chip = *chips.back();
        chip.configure([&](ChipKnobs& k) {
            k.baud = parser.value(baud).toInt();
            k.adapterLatencyMs = parser.value(latency).toInt();
            k.md4Word = parser.value(md4).toUInt(nullptr, 16);
            k.strictLineEnds = parser.isSet(strict);
        });
        if (parser.isSet(mac))
            chip.fillFlash(macOffset, macField(firstMac + quint64(index), parser.value(macFormat) == QLatin1String("text")));
        if (!chip.start()) {
            QTextStream(stderr) << "vynsim: cannot open a pseudo-terminal\n";
            return 1;
        }
        QString name = chip.portName();
        if (parser.isSet(link)) {
            const QString path = linkFor(parser.value(link), index, chipCount);
            QFile::remove(path);
            if (!QFile::link(chip.portName(), path)) {
                QTextStream(stderr) << "vynsim: cannot create " << path << "\n";
                for (const QString& made : links)
                    QFile::remove(made);
                return 1;
            }
            links.append(path);
            name = path;
        }
        names.append(name);
    }
    if (parser.isSet(portFile)) {
        QFile file(parser.value(portFile));
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(names.join('\n').toLocal8Bit() + '\n');
    }
    QTextStream(stdout) << names.join('\n') << Qt::endl;

    if (pipe(signalPipe) != 0)
        return 1;
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    QSocketNotifier notifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    const int status = app.exec();
    for (const QString& made : links)
        QFile::remove(made);
    return status;
}
