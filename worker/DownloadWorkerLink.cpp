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
// A wait from the settings (a hand-edited file can make it days long) is cut to a day.
constexpr qint64 maxWaitMs = 24 * 3600 * 1000;
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

bool DownloadWorker::waitForInput(qint64 ms)
{
    if (port->bytesAvailable() > 0)
        return true;
    const CountDownTimer deadline(unsigned(std::clamp<qint64>(ms, 0, maxWaitMs)));
    // In slices, so that Stop and a pulled adapter end the wait early.
    for (;;) {
        if (port->waitForReadyRead(std::min(deadline.remaining(), millis(link.stopPoll))))
            return true;
        if (stopRequested || linkLost || !port->isOpen() || deadline.expired())
            return false;
    }
}

void DownloadWorker::readReply(LinkTiming::ms wait)
{
    waitForInput(wait.count());
    rxBuffer = takeInput();
}

// Adds what comes to rxBuffer until a prompt is in it, within the time given.
// True when the prompt came.
bool DownloadWorker::readUntilPrompt(LinkTiming::ms within)
{
    const CountDownTimer deadline(unsigned(within.count()));
    while (!ConsoleReply::hasPrompt(rxBuffer) && waitForInput(deadline.remaining()))
        rxBuffer += takeInput();
    return ConsoleReply::hasPrompt(rxBuffer);
}

// Reads the reply to cmd until the console is done with it: the echo and the
// prompt after it (after "loadx", the receiver's start request), however long
// the chip works in between, within limitMs. A prompt without the echo (a
// garbled or lost command) ends the reply once the line has gone quiet.
// Stop and a pulled adapter end it early.
void DownloadWorker::readCommandReply(const QByteArray& cmd, qint64 limitMs)
{
    const CountDownTimer deadline(unsigned(std::clamp<qint64>(limitMs, 0, maxWaitMs)));
    rxBuffer = takeInput();
    while (!ConsoleReply::isCompleteReply(rxBuffer, cmd)) {
        const bool otherPrompt = ConsoleReply::hasPrompt(rxBuffer) && !rxBuffer.contains(cmd);
        const int wait = otherPrompt ? std::min(millis(link.replyGap), deadline.remaining()) : deadline.remaining();
        if (!waitForInput(wait))
            return;
        rxBuffer += takeInput();
        // Junk that keeps coming is not kept: only the end of a long reply can still turn into an echo.
        if (rxBuffer.size() > maxReplyBytes)
            rxBuffer.remove(0, rxBuffer.size() - maxReplyBytes);
    }
    sinceLastPrompt.restart();
}

// With fixed waits the console is given waitMs before its reply is read;
// otherwise the reply is read as it comes, within the same time. False, with
// "Cancel" logged, when Stop cut the reply short: what was read then is not
// the chip's answer (a checksum still being computed would look unreadable).
bool DownloadWorker::readReplyTo(const QByteArray& cmd, int waitMs, LinkTiming::ms limit)
{
    qint64 limitMs = limit.count();
    if (settings->FixedWaits)
        pauseMs(waitMs);
    else
        limitMs += std::max(waitMs, 0);
    if (!stopRequested)
        readCommandReply(cmd, limitMs);
    if (!stopRequested || ConsoleReply::isCompleteReply(rxBuffer, cmd))
        return true;
    logError(QStringLiteral("Cancel"));
    return false;
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
    if (!readReplyTo(cmd, waitMs, link.commandReply))
        return false;

    for (int resends = 0;; ++resends) {
        if (ConsoleReply::isCommandAccepted(rxBuffer, cmd))
            return true;
        if (portLost())
            return false;
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
        if (!readReplyTo(cmd, waitMs, link.commandReply))
            return false;
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
    // The chip in the socket (finished, or failed with a retry left) is only checked for, silently.
    const bool present = chipDone || retryPending;
    if (chipDone)
        pacePresenceCheck();
    else if (!present)
        logProgress(QStringLiteral("Waiting for plug in..."));
    const CountDownTimer deadline(unsigned(present ? presenceCheckMs() : millis(link.newChipWait)));

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
                sinceLastPrompt.restart();
                if (!present)
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
