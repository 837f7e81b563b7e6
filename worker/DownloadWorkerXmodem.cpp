// The XMODEM-1K transfer of the image after "loadx".
#include "CountDownTimer.h"
#include "DownloadWorker.h"
#include "WorkerSettings.h"
#include "Xmodem.h"

#include <QSerialPort>

namespace {

bool isRs485(const WorkerSettings& s)
{
    return s.workMode == 1;
}

} // namespace

bool DownloadWorker::sendXmodem()
{
    return sendXmodemBytes(chipImage(), true);
}

// progress: the packets are the image's, shown to the front end as they go.
bool DownloadWorker::sendXmodemBytes(const QByteArray& bytes, bool progress)
{
    logProgress(QStringLiteral("Send XModem..."));
    if (isRs485(*settings))
        pauseMs(std::max(settings->ProgramWaitTime485, 1));
    // The reply to "loadx" may itself wait for the start request: the start's
    // time-out counts from the command.
    const CountDownTimer startDeadline(unsigned(link.xmodemStart.count()));
    receiverBusy = false;
    if (!sendCommand("loadx", 10))
        return false;
    receiverBusy = true;
    const bool sent = transferBytes(startDeadline, bytes, progress);
    // A receiver left waiting would stay silent until its own time-out and
    // then look like a new chip: it is told to give up.
    if (!sent && receiverBusy && !linkLost)
        cancelReceiver();
    return sent;
}

bool DownloadWorker::transferBytes(const CountDownTimer& startDeadline, const QByteArray& image, bool progress)
{
    bool started = Xmodem::hasStartChar(rxBuffer);
    if (settings->ProgramWaitTime485 < 1)
        settings->ProgramWaitTime485 = 1;

    while (!started) {
        if (startDeadline.expired()) {
            logError(QStringLiteral("Error: start xmodem failed!"));
            return false;
        }
        rxBuffer.clear();
        readReply(link.xmodemStartPoll);
        if (portLost())
            return false;
        started = Xmodem::hasStartChar(rxBuffer);
        if (stopRequested) {
            logError(QStringLiteral("Cancel"));
            return false;
        }
    }

    const int packetSize = settings->packetSize;
    const int packetCount = progress ? settings->packetCount : int((image.size() + packetSize - 1) / packetSize);
    quint8 block = 1;
    int packetNumber = 1;
    int offset = 0;
    int remaining = image.size();
    while (remaining > 0) {
        const QByteArray packet = Xmodem::buildPacket(remaining, block, image.constData() + offset, packetSize);
        discardInput();
        if (!writeAndWait(packet, link.packetWrite)) {
            if (!portLost())
                logError(QStringLiteral("Error: send data failed!"));
            return false;
        }
        if (!pollAnswer(link.packetAnswerPolls)) {
            if (!portLost() && !stopCheck())
                logError(QStringLiteral("Error: recieve no data!"));
            return false;
        }

        switch (rxBuffer.at(0)) {
        case Xmodem::ACK:
            remaining -= packetSize;
            offset += packetSize;
            if (packetNumber % 10 == 0 || remaining <= packetSize)
                logTrace(QStringLiteral("[Send Packet: %1/%2]").arg(packetNumber).arg(packetCount));
            if (progress)
                emit sngProgress(packetNumber, packetCount);
            ++block;
            ++packetNumber;
            break;
        case Xmodem::NAK:
        case Xmodem::START:
            break; // the same packet goes out again
        case Xmodem::CAN:
            receiverBusy = false;
            logError(QStringLiteral("Error: send process break!"));
            return false;
        default:
            logError(QStringLiteral("Error: recieve data error,%1!").arg(QString::fromLatin1(rxBuffer)));
            return false;
        }

        if (isRs485(*settings))
            pauseMs(settings->ProgramWaitTime485);
        rxBuffer.clear();
        if (stopRequested) {
            logError(QStringLiteral("Cancel"));
            return false;
        }
    }

    for (int attempt = 0; attempt < link.eotAttempts; ++attempt) {
        rxBuffer.clear();
        writeAndWait(QByteArray(1, Xmodem::EOT), link.packetWrite);
        if (pollAnswer(link.eotAnswerPolls))
            break;
        if (portLost())
            return false;
        if (stopCheck())
            return false;
    }
    if (!rxBuffer.isEmpty()) {
        receiverBusy = false;
        return true;
    }
    logError(QStringLiteral("Error:send Xmodem EOT failed!"));
    return false;
}

// Polls for the receiver's answer; true once something came, false after the
// polls, at Stop or when the port is lost.
bool DownloadWorker::pollAnswer(int polls)
{
    for (int poll = 0; rxBuffer.isEmpty() && poll < polls && !linkLost && !stopRequested; ++poll)
        readReply(link.answerPoll);
    return !rxBuffer.isEmpty();
}

void DownloadWorker::cancelReceiver()
{
    writeAndWait(QByteArray(2, Xmodem::CAN), link.packetWrite);
}

// After a failed transfer: the cancelled receiver gives the prompt back, or
// the chip has left. True when the prompt came.
bool DownloadWorker::awaitReceiverQuit()
{
    receiverBusy = false;
    rxBuffer.clear();
    if (!readUntilPrompt(link.receiverQuit))
        return false;
    sinceLastPrompt.restart();
    return true;
}
