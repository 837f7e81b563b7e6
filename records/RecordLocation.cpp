#include "RecordLocation.h"

#include <QDir>
#include <QSettings>
#include <QUrl>
#include <QUrlQuery>

namespace {

const char* const urlVariable = "TERVASK_RECORDS";

QString configuredUrl(const QString& programDir)
{
    const QString fromEnvironment = qEnvironmentVariable(urlVariable).trimmed();
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    const QSettings file(QDir(programDir).filePath(QStringLiteral("cfg/records.ini")), QSettings::IniFormat);
    return file.value(QStringLiteral("Database")).toString().trimmed();
}

// libpq parses "key=value" itself; a value holding a separator could add options of its own.
bool isPlainOption(const QString& text)
{
    for (const QChar c : text) {
        if (c == QLatin1Char(';') || c == QLatin1Char('=') || c == QLatin1Char('\'') || c == QLatin1Char('\\')
            || c.isSpace())
            return false;
    }
    return !text.isEmpty();
}

} // namespace

QString RecordLocation::describe() const
{
    if (!server)
        return QDir::toNativeSeparators(sqlitePath);
    return QStringLiteral("postgresql://%1@%2:%3/%4").arg(user, host).arg(port).arg(database);
}

RecordLocation RecordLocation::resolve(const QString& programDir)
{
    const QString sqlitePath = QDir(programDir).filePath(QStringLiteral("records/production.sqlite"));
    const QString url = configuredUrl(programDir);
    RecordLocation location;
    if (url.isEmpty())
        location.sqlitePath = sqlitePath;
    else
        location = fromUrl(url, sqlitePath);
    const QSettings file(QDir(programDir).filePath(QStringLiteral("cfg/records.ini")), QSettings::IniFormat);
    bool ok = false;
    const int block = file.value(QStringLiteral("MacBlock")).toInt(&ok);
    if (ok && block > 0)
        location.macBlockChips = block;
    return location;
}

RecordLocation RecordLocation::fromUrl(const QString& text, const QString& sqlitePath)
{
    RecordLocation location;
    location.sqlitePath = sqlitePath;
    location.server = true;
    const QUrl url(text, QUrl::StrictMode);
    // The message names the variable, never the URL: it might hold a password.
    if (!url.isValid() || (url.scheme() != QLatin1String("postgresql") && url.scheme() != QLatin1String("postgres"))
        || url.host().isEmpty()) {
        location.error = QStringLiteral("the records database is not a URL postgresql://user@host:port/dbname");
        return location;
    }
    if (!url.password().isEmpty()) {
        location.error = QStringLiteral("the records URL holds a password: give it in ~/.pgpass or PGPASSWORD instead");
        return location;
    }
    location.host = url.host();
    location.port = url.port(5432);
    location.user = url.userName();
    location.database = url.path().mid(1);
    if (location.database.isEmpty())
        location.database = location.user;
    QStringList options;
    for (const auto& item : QUrlQuery(url).queryItems(QUrl::FullyDecoded)) {
        if (!isPlainOption(item.first) || !isPlainOption(item.second)
            || item.first.compare(QLatin1String("password"), Qt::CaseInsensitive) == 0) {
            location.error = QStringLiteral("the records URL has an option that is not allowed: %1").arg(item.first);
            return location;
        }
        options << item.first + QLatin1Char('=') + item.second;
    }
    location.connectOptions = options.join(QLatin1Char(';'));
    return location;
}
