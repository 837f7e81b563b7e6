#include "WorkerSettings.h"

#include "SettingLoader.h"

WorkerSettings::WorkerSettings(int mode)
    : workMode(mode)
{ }

WorkerSettings::~WorkerSettings()
{
    delete loader;
}
