// Partition preparation before the transfer and its recovery afterwards.
#include "DownloadWorker.h"
#include "WorkerSettings.h"

namespace {

constexpr int commandWaitMs = 10;

} // namespace

quint32 DownloadWorker::imageOffset() const
{
    return quint32(settings->downloadAddr.toInt(nullptr, 0));
}

quint32 DownloadWorker::imagePartitionSize() const
{
    return quint32((settings->image.size() + 4095) / 4096 * 4096);
}

// The partition's address and size, as recovery sets them.
bool DownloadWorker::setPartition(quint32 address, quint32 size)
{
    const QString addressHex = QString::number(address, 16);
    const QByteArray partition = QStringLiteral("flash 6 0 1 vyn6630m 0x%1 0x%2 0x%3")
                                     .arg(addressHex, addressHex, QString::number(size, 16))
                                     .toLatin1();
    return sendCommand(partition, commandWaitMs) && sendCommand("mw 40109020 0x2356594E", commandWaitMs)
        && sendCommand("flash 3", commandWaitMs);
}

bool DownloadWorker::preparePartition()
{
    logProgress(QStringLiteral("Prepare partiton..."));

    if (settings->workMode == 1) {
        // RS-485: the chip announces itself; the console script is not used.
        if (!waitReadySignal())
            return false;
        pauseMs(settings->ProgramWaitTime485);
        if (!waitDevice())
            return false;
        eraseFlash();
        return true;
    }

    if (!sendCommand("flash 1", commandWaitMs) || !sendCommand("flash 5 2 4096 0 1", commandWaitMs)
        || !sendCommand("flash 3", commandWaitMs))
        return false;
    if (stopCheck())
        return false;
    if (!setPartition(imageOffset(), imagePartitionSize()))
        return false;
    if (stopCheck())
        return false;
    if (!sendCommand("md 4", commandWaitMs))
        return false;

    // The word at address 4 tells which register values this chip takes.
    QByteArray first;
    QByteArray second;
    if (rxBuffer.contains("[0x00000004] = 0x0000B0B1")) {
        first = "mw 40011004 a8b4";
        second = "mw 40011024 5b10";
    } else if (rxBuffer.contains("[0x00000004] = 0x0000B12D")) {
        first = "mw 40011004 a8e8";
        second = "mw 40011024 5b44";
    } else {
        logError(QStringLiteral("Error: data is wrong!"));
        return false;
    }
    return sendCommand(first, commandWaitMs) && sendCommand(second, commandWaitMs)
        && sendCommand("mw 40011000 1", commandWaitMs);
}

bool DownloadWorker::recoverPartition()
{
    logProgress(QStringLiteral("Recover partiton..."));
    if (!sendCommand("flash 6 0 1 vyn6630m 0x1000 0x1000 0x1000", commandWaitMs))
        return false;
    logSuccess(QStringLiteral("35% done!"));
    if (stopCheck())
        return false;
    if (!sendCommand("mw 40109020 0x2356594E", commandWaitMs))
        return false;
    logSuccess(QStringLiteral("70% done!"));
    if (stopCheck())
        return false;
    if (!sendCommand("flash 3", commandWaitMs))
        return false;
    logSuccess(QStringLiteral("100% done!"));
    return true;
}
