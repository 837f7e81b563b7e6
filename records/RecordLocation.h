#pragma once

#include <QString>

// Where the production records go: the local SQLite file beside the programs,
// or the line's PostgreSQL server named by TERVASK_RECORDS or by "Database" in
// cfg/records.ini (the local file then keeps the rows the server could not take).
struct RecordLocation {
    QString sqlitePath;
    bool server = false;
    QString host;
    int port = 5432;
    QString database;
    QString user;
    QString connectOptions; // libpq's "key=value;..." from the URL's query
    QString error; // why the configured URL cannot be used; empty when it can
    // Chips per block a PC reserves of a MAC pool on the line's server: key
    // "MacBlock" of cfg/records.ini.
    int macBlockChips = 32;

    // The server as a URL without secrets, for messages.
    QString describe() const;

    // The environment first, then the configuration file; neither: the local file.
    static RecordLocation resolve(const QString& programDir);
    static RecordLocation fromUrl(const QString& url, const QString& sqlitePath);
};
