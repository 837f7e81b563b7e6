// Loading the image file for the console program.
#include "DownloadWorker.h"

#include "Crc32Wifi.h"
#include "WorkerSettings.h"

#include <QFile>

bool DownloadWorker::loadImageFile()
{
    logError(QStringLiteral("Error: please input file name!"));
    return false;
}
