// The serial link and the command channel of DownloadWorker: opening and
// closing the port, sending console commands, and waiting for a chip.
#include "ConsoleReply.h"
#include "CountDownTimer.h"
#include "DownloadWorker.h"
#include "PlatformSleep.h"
#include "SerialLatency.h"
#include "WorkerSettings.h"

#include <QCoreApplication>
#include <QSerialPort>
#include <QtDebug>

#include <algorithm>

namespace {
int millis(LinkTiming::ms value)
{
    return int(value.count());
}

// Far more than any console reply the steps judge.
constexpr qsizetype maxReplyBytes = 64 * 1024;
} // namespace

bool DownloadWorker::isPortOpen() const
{
    return port->isOpen();
}

bool DownloadWorker::openPort()
{
    logProgress(QStringLiteral("Open port..."));
    if (port->isOpen())
        closePort();
    port->setPortName(settings->portName);
    if (!port->open(QIODevice::ReadWrite)) {
        // The system's reason in the same line: a port held by another program
        // ("Access is denied") needs another fix than a name that is wrong.
        const QString reason = port->errorString();
        logError(QStringLiteral("Error:failed to open port%1").arg(settings->portName)
            + (reason.isEmpty() ? QString() : QStringLiteral(": ") + reason));
        return false;
    }
    // The results are ignored: the job goes on with whatever the port makes of them.
    const qint32 baud = qint32(settings->BaudRate.toUInt(nullptr, 10));
    port->setBaudRate(baud);
    port->setDataBits(QSerialPort::Data8);
    port->setParity(QSerialPort::NoParity);
    port->setStopBits(QSerialPort::OneStop);
    port->setFlowControl(QSerialPort::NoFlowControl);
    requestLowLatency(*port);
    if (wireTap)
        wireTap->opened(settings->portName, port->baudRate());
    linkLost = false;
    lossReported = false;
    return true;
}

bool DownloadWorker::portLost()
{
    if (!linkLost)
        return false;
    if (!lossReported) {
        logError(QStringLiteral("Error: the port %1 is lost!").arg(settings->portName));
        lossReported = true;
        if (!lossAnnounced) {
            lossAnnounced = true;
            emit sngPortLost(true);
        }
    }
    return true;
}

bool DownloadWorker::closePort()
{
    if (!port->isOpen())
        return true;
    logProgress(QStringLiteral("Close port %1").arg(settings->portName));
    port->close();
    if (wireTap)
        wireTap->closed();
    return true;
}

bool DownloadWorker::writeAndWait(const QByteArray& bytes, LinkTiming::ms limit)
{
    if (port->write(bytes) != bytes.size())
        return false;
    const bool written = port->waitForBytesWritten(millis(limit));
    // Told after the write, so that a trace costs nothing before the bytes leave.
    if (wireTap)
        wireTap->sent(bytes);
    return written;
}

QByteArray DownloadWorker::takeInput()
{
    QByteArray bytes = port->readAll();
    if (wireTap && !bytes.isEmpty())
        wireTap->received(bytes);
    return bytes;
}

void DownloadWorker::readReply(LinkTiming::ms wait)
{
    if (port->bytesAvailable() == 0)
        port->waitForReadyRead(millis(wait));
    rxBuffer = takeInput();
}

// A slow line, a busy chip or an adapter that hands bytes over in bursts can
// deliver a reply in pieces: it is read on until the command's echo and the
// prompt after it are there, or until the line goes quiet. A reply that is
// complete at the first read costs no extra wait.
void DownloadWorker::readCommandReply(const QByteArray& cmd)
{
    const CountDownTimer deadline(unsigned(millis(link.commandReply)));
    readReply(link.commandReply);
    while (!linkLost && !rxBuffer.isEmpty() && !ConsoleReply::isCompleteReply(rxBuffer, cmd) && !deadline.expired()
        && port->waitForReadyRead(std::min(millis(link.replyGap), deadline.remaining()))) {
        rxBuffer += takeInput();
        // Junk that keeps coming is not kept: only the end of a long reply can still turn into an echo.
        if (rxBuffer.size() > maxReplyBytes)
            rxBuffer.remove(0, rxBuffer.size() - maxReplyBytes);
    }
}

void DownloadWorker::discardInput()
{
    // Drop what the driver holds as well, not only what the port object has read.
    port->clear(QSerialPort::Input);
    takeInput();
    rxBuffer.clear();
}

void DownloadWorker::pauseMs(int ms)
{
    const CountDownTimer deadline(unsigned(std::max(ms, 0)));
    while (!stopRequested && !deadline.expired())
        sleepMs(std::min(deadline.remaining(), millis(link.stopPoll)));
}

// A reply read after Stop cut its wait short is not the chip's answer (a
// checksum still being computed would look unreadable): the stop is named instead.
bool DownloadWorker::pauseForReply(int ms)
{
    pauseMs(ms);
    if (!stopRequested)
        return true;
    logError(QStringLiteral("Cancel"));
    return false;
}

bool DownloadWorker::sendCommand(const QByteArray& cmd, int waitMs)
{
    // Left-overs of earlier replies (the device wait's extra prompts) are not this command's reply.
    discardInput();
    const QByteArray line = cmd + '\r';
    if (!writeAndWait(line, link.commandWrite)) {
        if (!portLost())
            logError(QStringLiteral("Error: fail to send command!"));
        return false;
    }
    logTrace(QString::fromLatin1(cmd) + QLatin1Char('!'));
    if (!pauseForReply(waitMs))
        return false;
    readCommandReply(cmd);

    for (int resends = 0;; ++resends) {
        if (ConsoleReply::isCommandAccepted(rxBuffer, cmd))
            return true;
        if (stopRequested) {
            logError(QStringLiteral("Cancel"));
            return false;
        }
        if (resends >= link.commandResends) {
            logError(QStringLiteral("Error: fail to write command!"));
            return false;
        }
        logRetry(QStringLiteral("resend command..."));
        discardInput();
        if (!writeAndWait(line, link.commandWrite)) {
            if (!portLost())
                logError(QStringLiteral("Error: fail to write command!"));
            return false;
        }
        if (!pauseForReply(waitMs))
            return false;
        readCommandReply(cmd);
    }
}

// While the finished chip stays in the socket the silent checks would follow
// each other back to back; one per interval is enough to see it pulled.
void DownloadWorker::pacePresenceCheck()
{
    if (presenceClock.isValid()) {
        const qint64 left = link.presenceInterval.count() - presenceClock.elapsed();
        if (left > 0)
            sleepMs(int(left));
    }
    presenceClock.restart();
}

// The finished chip is checked until it has given no prompt for
// chipLeftSilence, counted from its last one: a chip swapped in after that
// is a new chip, however soon it answers. Every check knocks at least once.
int DownloadWorker::presenceCheckMs() const
{
    return std::max(0, millis(link.chipLeftSilence) - int(sinceLastPrompt.elapsed()));
}

// Three carriage returns; true when a prompt came back.
bool DownloadWorker::knockForPrompt()
{
    rxBuffer.clear();
    for (int knock = 0; knock < 3; ++knock)
        writeAndWait(QByteArrayLiteral("\r"), link.knockWrite);
    readReply(link.knockRead);
    // A start queued behind this job is held back by start() itself.
    QCoreApplication::processEvents();
    return ConsoleReply::hasPrompt(rxBuffer);
}

bool DownloadWorker::waitDevice()
{
    // Automatic mode closed the port of a pulled adapter: it is opened again once per wait.
    if (linkLost && openPort()) {
        announcePortBack();
        if (settings->AutoStart)
            announceWaiting();
    }
    if (chipDone)
        pacePresenceCheck();
    else
        logProgress(QStringLiteral("Waiting for plug in..."));
    const CountDownTimer deadline(unsigned(chipDone ? presenceCheckMs() : millis(link.newChipWait)));

    for (;;) {
        if (stopRequested) {
            logError(QStringLiteral("Stop to wait device!"));
            return false;
        }
        if (port->isOpen()) {
            const bool prompt = knockForPrompt();
            // Also the port's own notifier may have found it dead meanwhile.
            if (portLost())
                return false;
            if (prompt) {
                if (chipDone)
                    sinceLastPrompt.restart();
                else
                    logSuccess(QStringLiteral("Find a device,enter boot successed!"));
                return true;
            }
        }
        if (deadline.expired()) {
            logError(QStringLiteral("Error: Not find a device!"));
            return false;
        }
        sleepMs(millis(link.knockPause));
    }
}

bool DownloadWorker::waitReadySignal()
{
    logProgress(QStringLiteral("Waiting for ready signal..."));
    for (;;) {
        rxBuffer.clear();
        readReply(link.readySignalPoll);
        if (portLost())
            return false;
        if (rxBuffer.contains("Boot abort")) {
            qDebug().noquote() << QString::fromLatin1(rxBuffer);
            logSuccess(QStringLiteral("Ready to download!"));
            return true;
        }
        if (stopRequested) {
            logError(QStringLiteral("Cancel"));
            return false;
        }
    }
}
