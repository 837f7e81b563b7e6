#pragma once

#include "IdentitySettings.h"

#include <QByteArray>
#include <QString>

class SettingLoader;

// The settings of one job, owned by the front end and lent to the worker.
// The worker only reads it during a job (the transfer raises
// ProgramWaitTime485 to at least 1).
class WorkerSettings {
public:
    explicit WorkerSettings(int mode);
    ~WorkerSettings();

    WorkerSettings(const WorkerSettings&) = delete;
    WorkerSettings& operator=(const WorkerSettings&) = delete;

    // Fills the record from, or stores it into, the configuration file of its work mode.
    void loadConfig();
    void saveConfig();

    static QString configPath(int workMode);

    QString portName;
    QString FileName;
    QString File2Name;
    QString language { QStringLiteral("English") };
    QString BaudRate { QStringLiteral("921600") };
    QString FlashSize { QStringLiteral("1MByte") };
    QString MacAddr;
    QString downloadAddr { QStringLiteral("0x1000") };
    bool AutoStart = false;
    bool AutoTest = false;
    int packetSize = 1024;
    int packetCount = 0;
    quint32 imageCrc = 0;
    QByteArray image;
    int VerifyUnitTime = 600;
    int workMode;
    int ProgramWaitTime485 = 1;
    bool IsErase6620 = false;
    QString EraseAddr6620;
    QString EraseSize6620;
    QString DumpAddr;
    QString DumpSize;
    QString SaveFile;
    int Timeout = 60000;
    // Key "FixedWaits": sleep the console's fixed pauses (10 ms after each
    // command, VerifyUnitTime before the checksum, 200 ms after the transfer)
    // before reading a reply, for a chip that needs them. Off: each reply is
    // read as soon as the console has printed its prompt.
    bool FixedWaits = false;
    // Automatic mode: downloads into a chip that failed before it is left
    // alone until it is pulled. -1: no limit, a failing chip is downloaded
    // again and again (the single-station windows and the console program).
    int failedChipRetries = -1;
    // Each chip's own MAC address from a pool: the factory station and the
    // console program only (the window's MacAddr stays what it always was).
    IdentitySettings identity;
    SettingLoader* loader = nullptr;

private:
    void exchangeKeys();
};
