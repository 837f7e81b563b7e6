#include "RecordsArguments.h"

#include "MacAddress.h"

#include <QRegularExpression>

namespace {

using Command = RecordsArguments::Command;
using Grouping = RecordQuery::Grouping;

Command commandNamed(const QString& name)
{
    if (name == QLatin1String("list"))
        return Command::List;
    if (name == QLatin1String("export"))
        return Command::Export;
    if (name == QLatin1String("yield"))
        return Command::Yield;
    if (name == QLatin1String("forward"))
        return Command::Forward;
    if (name == QLatin1String("status"))
        return Command::Status;
    if (name == QLatin1String("chip"))
        return Command::Chip;
    if (name == QLatin1String("pool"))
        return Command::Pool;
    return Command::None;
}

bool groupingNamed(const QString& name, Grouping& grouping)
{
    const std::pair<const char*, Grouping> names[] = {
        { "hour", Grouping::Hour },
        { "day", Grouping::Day },
        { "station", Grouping::Station },
        { "image", Grouping::Image },
    };
    for (const auto& [text, value] : names) {
        if (name == QLatin1String(text)) {
            grouping = value;
            return true;
        }
    }
    return false;
}

bool isResult(const QString& text)
{
    static const QStringList results { "running", "pass", "fail", "canceled", "no_device" };
    return results.contains(text);
}

// "0x1A2B3C4D" or "1a2b3c4d" as stored: eight lower-case hex digits.
QString normalisedCrc(const QString& text)
{
    QString digits = text.toLower();
    if (digits.startsWith(QLatin1String("0x")))
        digits = digits.mid(2);
    static const QRegularExpression hex(QStringLiteral("^[0-9a-f]{1,8}$"));
    if (!hex.match(digits).hasMatch())
        return QString();
    return digits.rightJustified(8, QLatin1Char('0'));
}

// One option and its value into the result; false with error set on anything wrong.
bool takeOption(RecordsArguments& r, const QString& option, const QString& value, const QDateTime& now)
{
    if (option == QLatin1String("--since") || option == QLatin1String("--until")) {
        const QDateTime time = RecordsArguments::parseTime(value, now);
        if (!time.isValid()) {
            r.error = QStringLiteral("%1: not a time: %2").arg(option, value);
            return false;
        }
        (option == QLatin1String("--since") ? r.filter.since : r.filter.until) = time;
    } else if (option == QLatin1String("--host")) {
        r.filter.host = value;
    } else if (option == QLatin1String("--station")) {
        r.filter.station = value;
    } else if (option == QLatin1String("--result") && isResult(value)) {
        r.filter.result = value;
    } else if (option == QLatin1String("--image") && !normalisedCrc(value).isEmpty()) {
        r.filter.imageCrc32 = normalisedCrc(value);
    } else if (option == QLatin1String("--by") && r.command == Command::Yield && groupingNamed(value, r.grouping)) {
    } else if (option == QLatin1String("--csv") && r.command == Command::Export && !value.isEmpty()) {
        r.csvPath = value;
    } else {
        r.error = QStringLiteral("%1: not accepted here: %2").arg(option, value);
        return false;
    }
    return true;
}

} // namespace

QDateTime RecordsArguments::parseTime(const QString& text, const QDateTime& now)
{
    const QDate today = now.toLocalTime().date();
    if (text == QLatin1String("today"))
        return today.startOfDay();
    if (text == QLatin1String("yesterday"))
        return today.addDays(-1).startOfDay();
    const QDate date = QDate::fromString(text, Qt::ISODate);
    if (date.isValid() && text.size() == 10)
        return date.startOfDay();
    QDateTime time = QDateTime::fromString(text, Qt::ISODateWithMs);
    return time.isValid() ? time.toUTC() : QDateTime();
}

RecordsArguments RecordsArguments::parse(const QStringList& arguments, const QDateTime& now)
{
    RecordsArguments r;
    r.command = commandNamed(arguments.value(1));
    if (r.command == Command::None) {
        r.error = arguments.size() < 2 ? QStringLiteral("no command")
                                       : QStringLiteral("unknown command: %1").arg(arguments.at(1));
        return r;
    }
    int first = 2;
    if (r.command == Command::Chip) {
        const std::optional<MacAddress> chip = MacAddress::parse(arguments.value(2));
        if (!chip) {
            r.error = QStringLiteral("chip needs a MAC address such as AA:BB:CC:DD:EE:FF");
            return r;
        }
        r.filter.chipId = chip->text();
        first = 3;
    }
    const bool takesOptions = r.command != Command::Forward && r.command != Command::Status
        && r.command != Command::Chip && r.command != Command::Pool;
    for (int i = first; i < arguments.size(); i += 2) {
        if (!takesOptions || i + 1 >= arguments.size()) {
            r.error = QStringLiteral("%1: not accepted here").arg(arguments.at(i));
            return r;
        }
        if (!takeOption(r, arguments.at(i), arguments.at(i + 1), now))
            return r;
    }
    if (r.command == Command::Export && r.csvPath.isEmpty())
        r.error = QStringLiteral("export needs --csv FILE");
    return r;
}

QString RecordsArguments::usage()
{
    return QStringLiteral(
        "Usage: tervaskrecords list [FILTERS]\n"
        "       tervaskrecords export --csv FILE [FILTERS]\n"
        "       tervaskrecords yield [--by hour|day|station|image] [FILTERS]\n"
        "       tervaskrecords forward\n"
        "       tervaskrecords status\n"
        "       tervaskrecords chip MAC       (the attempts of the chip with this address, in order)\n"
        "       tervaskrecords pool           (each MAC address pool: chips used, reserved, free)\n"
        "FILTERS: --since TIME --until TIME --host PC --station PORT --result running|pass|fail|canceled|no_device\n"
        "         --image CRC32\n"
        "TIME: ISO 8601 (2026-12-08 or 2026-12-08T22:00, local time unless an offset is given), today or yesterday;\n"
        "      --since includes its time, --until excludes it.\n"
        "The records: TERVASK_RECORDS=postgresql://user@host:port/dbname, else \"Database\" in cfg/records.ini,\n"
        "else records/production.sqlite beside the program.\n"
        "--by station groups by PC and port (host/port).\n"
        "Exit status: 0 done, 1 bad arguments, 2 the records cannot be reached,\n"
        "3 (status) rows wait for the line's server or were set aside.\n");
}
