// Verification: the chip's CRC-32 of the written range against the image's.
#include "ConsoleReply.h"
#include "DownloadWorker.h"
#include "WorkerSettings.h"

#include <QSerialPort>

// The chip's text after EOT ends with its prompt; with fixed waits it is
// given a pause and then drained for a while instead. False, with "Cancel"
// logged, at Stop.
bool DownloadWorker::awaitTransferLeftovers()
{
    if (settings->FixedWaits) {
        pauseMs(int(link.verifySettle.count()));
        if (!stopRequested)
            waitForInput(link.verifyDrain.count());
    } else {
        // The answer to EOT may have brought the whole text already.
        readUntilPrompt(link.verifySettle + link.verifyDrain);
    }
    return !stopCheck();
}

bool DownloadWorker::verifyImage()
{
    logProgress(QStringLiteral("Verify..."));
    if (!awaitTransferLeftovers())
        return false;
    discardInput();
    if (settings->workMode == 1)
        pauseMs(settings->ProgramWaitTime485);

    const qsizetype length = chipImage().size();
    QByteArray command;
    if (settings->workMode == 1) {
        command = "checksum 1 FFFFFFFF " + QByteArray::number(length);
    } else {
        const quint32 flashAddress = consoleFlashBase + imageOffset();
        command = "checksum 1 " + QByteArray::number(flashAddress, 16) + ' ' + QByteArray::number(length);
    }

    return checkChecksum(command, verifyWaitMs(), chipImageCrc());
}

int DownloadWorker::verifyWaitMs() const
{
    return settings->VerifyUnitTime != 0 ? settings->VerifyUnitTime : int(link.verifyDefaultWait.count());
}

// Asks the chip for the checksum until it gives a readable one, and compares it.
bool DownloadWorker::checkChecksum(const QByteArray& command, int waitMs, quint32 expected)
{
    for (int attempt = 0;;) {
        rxBuffer.clear();
        if (!sendCommand(command, waitMs))
            return false;
        if (ConsoleReply::hasReadableChecksum(rxBuffer))
            break;
        if (++attempt >= link.verifyAttempts) {
            logError(QStringLiteral("Error :verify failed,which is unable to read checksum."));
            return false;
        }
    }

    // Digits that are not hexadecimal are a mismatch, even against an image whose CRC is 0.
    if (ConsoleReply::checksumValue(rxBuffer) == expected) {
        logSuccess(QStringLiteral("Verify done."));
        return true;
    }
    logTrace(QString::fromLatin1(rxBuffer));
    logError(QStringLiteral("Error : verify failed! The correct checksum is: 0x%1").arg(expected, 0, 16));
    return false;
}
