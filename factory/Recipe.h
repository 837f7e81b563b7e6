#pragma once

#include <QDateTime>
#include <QList>
#include <QMap>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QTime>

class WorkerSettings;
struct IdentitySettings;

// What every station downloads, which fixtures run and how the line lead
// locked it: group "factory" of cfg/tervaskfactory.ini, written whole and
// atomically each time something changes.
struct Recipe {
    // The recipe's values as the setup dialog offers them.
    static const QStringList& offeredBauds();
    static const QStringList& offeredFlashSizes();
    static constexpr int maxRetries = 5;

    QString FileName;
    // The image the lead chose: its size and CRC-32 (eight hex digits); none: any file.
    qint64 imageSize = -1;
    QString imageCrc;
    QString downloadAddr { QStringLiteral("0x1000") };
    QString FlashSize { QStringLiteral("1MByte") };
    QString BaudRate { QStringLiteral("921600") };
    bool IsErase6620 = false;
    QString EraseAddr6620;
    QString EraseSize6620;
    // Key "FixedWaits": the console's fixed pauses for chips that need them
    // (the lead sets it in the file; off: each reply is read until the prompt).
    bool fixedWaits = false;
    int retries = 1; // key "Retries": downloads again into a chip that failed, before it is left alone
    QStringList ports; // key "Ports", comma-separated fixture keys (FixtureKey)
    QMap<QString, QString> labels; // key "Labels": the operator's name for each fixture
    QStringList disabled; // key "Disabled": fixtures switched off
    bool failSound = false; // key "FailSound": a sound when a chip fails
    QString leadPin; // key "LeadPin": LeadPin::stored(), empty without a PIN
    QList<QTime> shiftStarts { QTime(6, 0), QTime(14, 0), QTime(22, 0) }; // key "ShiftStarts": "06:00,14:00,22:00"
    QDateTime countingSince; // key "CountingSince": "New shift" pressed then (UTC); counters start there
    QString workOrder; // key "WorkOrder": the work order or lot of the chips now on the line
    bool operatorView = false; // key "OperatorView"
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

    // Values of the file that could not be read as what they are (key, text), in file order.
    QList<QPair<QString, QString>> unreadable;

    static QString defaultPath() { return QStringLiteral("cfg/tervaskfactory.ini"); }
    // A missing file or key keeps the default.
    static Recipe load(const QString& iniPath);
    // Replaces the file at once (a power cut leaves the old file or the new
    // one, never a part); false when it could not be written.
    bool save(const QString& iniPath) const;

    // Empty when every station may start with this recipe; otherwise one line
    // naming the first key whose value cannot be used, and that value.
    QString problem() const;

    // Automatic mode, the recipe's download, and failedChipRetries = retries.
    void fillSettings(WorkerSettings& settings) const;
    // The identity group, checked against the recipe's flash size; false
    // with the one line why the stations cannot start so.
    bool fillIdentity(IdentitySettings& settings, QString& why) const;
};
