#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A PostgreSQL cluster of a test's own: created in a temporary folder,
// listening on a free local port, removed with the object. The server refuses
// to run as root, so under root its commands run as the "postgres" user.
class ThrowawayPostgres {
public:
    ThrowawayPostgres();
    ~ThrowawayPostgres();

    bool create();
    bool start();
    bool stop();

    int port() const { return serverPort; }
    // A URL for TERVASK_RECORDS: trust authentication, no password.
    QString url() const;
    QString lastError() const { return error; }

private:
    bool runServerCommand(const QString& program, const QStringList& arguments);

    QTemporaryDir base;
    QString dataDir;
    int serverPort = 0;
    bool running = false;
    QString error;
};
