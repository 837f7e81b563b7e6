// The configuration-file side of WorkerSettings: one routine visits every key,
// the loader's mode decides the direction.
#include "SettingLoader.h"
#include "WorkerSettings.h"

QString WorkerSettings::configPath(int workMode)
{
    switch (workMode) {
    case 1:
        return QStringLiteral("cfg/download_485.ini");
    case 2:
        return QStringLiteral("cfg/download_dump.ini");
    default:
        return QStringLiteral("cfg/tervask.ini");
    }
}

void WorkerSettings::loadConfig()
{
    loader = new SettingLoader(configPath(workMode), true);
    exchangeKeys();
    delete loader;
    loader = nullptr;
}

void WorkerSettings::saveConfig()
{
    loader = new SettingLoader(configPath(workMode), false);
    exchangeKeys();
    // The loader writes the file when it is destroyed.
    delete loader;
    loader = nullptr;
}

void WorkerSettings::exchangeKeys()
{
    if (workMode == 2) {
        loader->beginGroup(QStringLiteral("dump"));
        loader->value(QStringLiteral("BaudRate"), BaudRate);
        loader->value(QStringLiteral("DumpAddr"), DumpAddr);
        loader->value(QStringLiteral("DumpSize"), DumpSize);
        loader->value(QStringLiteral("SaveFile"), SaveFile);
        loader->value(QStringLiteral("FlashSize"), FlashSize);
        loader->value(QStringLiteral("Timeout"), Timeout);
        loader->endGroup();
        return;
    }

    loader->beginGroup(QStringLiteral("download"));
    loader->value(QStringLiteral("BaudRate"), BaudRate);
    loader->value(QStringLiteral("FlashSize"), FlashSize);
    loader->value(QStringLiteral("MacAddr"), MacAddr);
    loader->value(QStringLiteral("language"), language);
    loader->value(QStringLiteral("FileName"), FileName);
    loader->value(QStringLiteral("AutoTest"), AutoTest);
    loader->value(QStringLiteral("AutoStart"), AutoStart);
    loader->value(QStringLiteral("VerifyUnitTime"), VerifyUnitTime);
    loader->value(QStringLiteral("downloadAddr"), downloadAddr);
    // Read only when the file's own AutoTest (visited above) is true.
    if (AutoTest)
        loader->value(QStringLiteral("File2Name"), File2Name);
    if (workMode == 1)
        loader->value(QStringLiteral("ProgramWaitTime485"), ProgramWaitTime485);
    loader->value(QStringLiteral("IsErase6620"), IsErase6620);
    loader->value(QStringLiteral("EraseAddr6620"), EraseAddr6620);
    loader->value(QStringLiteral("EraseSize6620"), EraseSize6620);
    loader->value(QStringLiteral("FixedWaits"), FixedWaits);
    loader->endGroup();
}
