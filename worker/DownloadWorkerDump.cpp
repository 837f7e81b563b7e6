// Reading a flash range back into a file through the console's "md" command.
#include "DownloadWorker.h"

bool DownloadWorker::dumpFlash()
{
    logError(QStringLiteral("Error: dump is not available in this build!"));
    return false;
}
