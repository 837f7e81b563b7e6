// Erasing one flash range before the download.
#include "DownloadWorker.h"
#include "WorkerSettings.h"

#include <QSerialPort>

namespace {

bool eraseCompleted(const QByteArray& reply)
{
    return !reply.contains("Unknown command") && !reply.contains("Usage") && reply.contains("Erase Flash done");
}

} // namespace

bool DownloadWorker::eraseFlash()
{
    if (!settings->IsErase6620)
        return true;
    logProgress(QStringLiteral("Begin to erase flash..."));

    const quint32 address = consoleFlashBase + settings->EraseAddr6620.toUInt(nullptr, 16);
    const quint32 size = settings->EraseSize6620.toUInt(nullptr, 16);
    const QByteArray verb = settings->workMode == 1 ? "erase " : "flash 7 ";
    const QByteArray command = verb + QByteArray::number(address, 16) + ' ' + QByteArray::number(size, 16);

    // Unlike other commands the erase is judged by its completion message, not its echo.
    rxBuffer = "Usage";
    int attempts = -1;
    int failedWrites = 0;
    for (;;) {
        if (eraseCompleted(rxBuffer)) {
            logSuccess(QStringLiteral("Successed to erase."));
            return true;
        }
        if (stopCheck())
            return false;
        // A port that never completes a write must not hold the job forever.
        if (attempts >= link.eraseAttempts || failedWrites > link.eraseAttempts) {
            logError(QStringLiteral("Error: failed to erase."));
            return false;
        }
        if (attempts > 0)
            logProgress(QStringLiteral("resend cmd.........."));
        rxBuffer.clear();
        if (!writeAndWait(command + '\n', link.eraseWrite)) {
            if (portLost())
                return false;
            ++failedWrites;
            continue;
        }
        // The console reports the erase once the flash is erased: the reply is read up to its prompt.
        if (!readReplyTo(command, int(link.erasePause.count()), link.eraseReply))
            return false;
        if (portLost())
            return false;
        ++attempts;
    }
}
