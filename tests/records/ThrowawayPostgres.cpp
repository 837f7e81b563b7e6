#include "ThrowawayPostgres.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTcpServer>

#include <pwd.h>
#include <unistd.h>

namespace {

const QString binDir = QStringLiteral("/usr/lib/postgresql/15/bin");

int freePort()
{
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
}

} // namespace

ThrowawayPostgres::ThrowawayPostgres()
{
    dataDir = base.filePath(QStringLiteral("data"));
}

ThrowawayPostgres::~ThrowawayPostgres()
{
    stop();
}

QString ThrowawayPostgres::url() const
{
    return QStringLiteral("postgresql://postgres@127.0.0.1:%1/postgres?sslmode=disable").arg(serverPort);
}

bool ThrowawayPostgres::runServerCommand(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    if (geteuid() == 0)
        process.start(
            QStringLiteral("runuser"), QStringList { "-u", "postgres", "--", binDir + '/' + program } + arguments);
    else
        process.start(binDir + '/' + program, arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        error = QStringLiteral("%1: %2").arg(program, QString::fromLocal8Bit(process.readAll()));
        return false;
    }
    return true;
}

bool ThrowawayPostgres::create()
{
    if (!base.isValid() || !QFile::exists(binDir + QStringLiteral("/initdb"))) {
        error = QStringLiteral("no PostgreSQL 15 server in %1").arg(binDir);
        return false;
    }
    QDir().mkpath(dataDir);
    if (geteuid() == 0) {
        const passwd* user = getpwnam("postgres");
        if (!user || chown(dataDir.toLocal8Bit().constData(), user->pw_uid, user->pw_gid) != 0) {
            error = QStringLiteral("no user postgres to run the server");
            return false;
        }
        QFile::setPermissions(base.path(), QFile::permissions(base.path()) | QFile::ExeOther | QFile::ReadOther);
    }
    serverPort = freePort();
    return runServerCommand(QStringLiteral("initdb"),
        { "-D", dataDir, "-U", "postgres", "--auth=trust", "-E", "UTF8", "--no-sync", "--no-instructions" });
}

bool ThrowawayPostgres::start()
{
    const QString options
        = QStringLiteral("-p %1 -c listen_addresses=127.0.0.1 -c unix_socket_directories='' -c fsync=off")
              .arg(serverPort);
    running = runServerCommand(QStringLiteral("pg_ctl"),
        { "-D", dataDir, "-l", dataDir + "/server.log", "-o", options, "-w", "-t", "60", "start" });
    return running;
}

bool ThrowawayPostgres::stop()
{
    if (!running)
        return true;
    running = !runServerCommand(QStringLiteral("pg_ctl"), { "-D", dataDir, "-m", "fast", "-w", "-t", "60", "stop" });
    return !running;
}
