#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

class WorkerSettings;
struct IdentitySettings;

// What every station downloads, and which ports run: group "factory" of
// cfg/tervaskfactory.ini.
struct Recipe {
    QString FileName;
    QString downloadAddr { QStringLiteral("0x1000") };
    QString FlashSize { QStringLiteral("1MByte") };
    QString BaudRate { QStringLiteral("921600") };
    bool IsErase6620 = false;
    QString EraseAddr6620;
    QString EraseSize6620;
    int retries = 1; // key "Retries": downloads again into a chip that failed, before it is left alone
    QStringList ports; // key "Ports", comma-separated
    QMap<QString, QString> labels; // key "Labels": the operator's name for each port's fixture
    QString language { QStringLiteral("English") };

    // Group "identity": each chip's own MAC address out of a pool shared by
    // the line, kept as the operator typed it.
    struct Identity {
        bool enabled = false; // key "Enabled"
        QString pool; // key "Pool": "FIRST-LAST"
        QString flashAddress; // key "FlashAddress": where the address lies in the flash
        QString format { QStringLiteral("raw") }; // key "Format": raw or text
        int macsPerChip = 1; // key "MacsPerChip"
    } identity;

    static QString defaultPath() { return QStringLiteral("cfg/tervaskfactory.ini"); }
    // A missing file or key keeps the default.
    static Recipe load(const QString& iniPath);
    void save(const QString& iniPath) const;

    // Automatic mode, the recipe's download, and failedChipRetries = retries.
    void fillSettings(WorkerSettings& settings) const;
    // The identity group, checked against the recipe's flash size; false
    // with the one line why the stations cannot start so.
    bool fillIdentity(IdentitySettings& settings, QString& why) const;
};
