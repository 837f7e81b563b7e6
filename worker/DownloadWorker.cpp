#include "DownloadWorker.h"

#include "PlatformSleep.h"
#include "WorkerSettings.h"

#include <QMetaObject>
#include <QSerialPort>

DownloadWorker::DownloadWorker(QObject* parent)
    : QObject(parent)
    , port(new QSerialPort(this))
{
    // A pulled adapter: ResourceError on Windows; on Linux reads end at once with ReadError.
    connect(port, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError error) {
        if (error == QSerialPort::ResourceError || error == QSerialPort::ReadError)
            linkLost = true;
    });
}

DownloadWorker::~DownloadWorker()
{
    delete port;
}

void DownloadWorker::setWireTap(std::unique_ptr<WireTap> tap)
{
    disconnect(wireTapLog);
    wireTap = std::move(tap);
    if (!wireTap)
        return;
    // Direct: each line reaches the tap in its place among the bytes, on the thread that logs it.
    WireTap* const target = wireTap.get();
    wireTapLog = connect(
        this, &DownloadWorker::sngLog, this, [target](const QString& line) { target->logged(line); },
        Qt::DirectConnection);
}

void DownloadWorker::stop()
{
    logProgress(QStringLiteral("Stop ..."));
    stopRequested = true;
}

void DownloadWorker::start(bool needprepare)
{
    // The device wait processes events, so a start queued behind a running
    // job can arrive here early: it runs after the current job, not inside it.
    if (jobRunning) {
        deferredStarts.append(needprepare);
        return;
    }
    jobRunning = true;
    runOneStart(needprepare);
    jobRunning = false;

    if (!deferredStarts.isEmpty()) {
        const bool next = deferredStarts.takeFirst();
        QMetaObject::invokeMethod(
            this, [this, next] { start(next); }, Qt::QueuedConnection);
    }
}

void DownloadWorker::runOneStart(bool needprepare)
{
    stopRequested = false;
    chipDone = false;
    const bool automatic = settings->AutoStart;
    if (!automatic)
        jobTimer.restart();

    if (!openPort()) {
        emit sngFinishAll(false);
        return;
    }

    int result;
    if (automatic) {
        result = runAutoLoop();
    } else {
        result = runJob(needprepare);
        if (result == JobOk)
            logSuccess(QStringLiteral("%1 successed!").arg(jobName()));
        else if (result == JobCanceled)
            logProgress(QStringLiteral("%1 is canceled!").arg(jobName()));
        else
            logError(QStringLiteral("%1 failed!").arg(jobName()));
    }

    closePort();
    if (!automatic)
        logTrace(QStringLiteral("Elapsed: %1ms!").arg(jobTimer.elapsed()));
    emit sngFinishAll(result == JobOk);
}

QString DownloadWorker::jobName() const
{
    return settings->AutoTest ? QStringLiteral("Test") : QStringLiteral("Download");
}

bool DownloadWorker::stopCheck()
{
    if (!stopRequested)
        return false;
    logError(QStringLiteral("Cancel"));
    return true;
}

static bool isDefaultPartition(const QString& downloadAddr)
{
    return downloadAddr.toInt(nullptr, 0) == 0x1000;
}

int DownloadWorker::runJob(bool needprepare)
{
    logProgress(QStringLiteral("=============================="));
    logProgress(QStringLiteral("Running..."));
    emit sngProgress(0, settings->workMode == 2 ? 0 : settings->packetCount);

    if (settings->workMode == 2)
        return waitDevice() && dumpFlash() ? JobOk : JobFailed;

    if (settings->workMode == 0) {
        if (!waitDevice() || !eraseFlash())
            return JobFailed;
    }

    if (stopCheck())
        return JobCanceled;
    if (needprepare && !preparePartition())
        return JobFailed;
    if (stopCheck())
        return JobCanceled;
    if (!sendXmodem())
        return JobFailed;
    if (stopCheck())
        return JobCanceled;
    if (!verifyImage())
        return JobFailed;
    if (settings->workMode != 0 || isDefaultPartition(settings->downloadAddr))
        return JobOk;
    return recoverPartition() ? JobOk : JobFailed;
}

int DownloadWorker::runAutoJob()
{
    emit sngProgress(0, settings->packetCount);
    if (!eraseFlash())
        return JobFailed;
    if (stopCheck())
        return JobCanceled;
    if (!preparePartition())
        return JobFailed;
    if (stopCheck())
        return JobCanceled;
    if (!sendXmodem())
        return JobFailed;
    if (stopCheck())
        return JobCanceled;
    if (!verifyImage())
        return JobFailed;
    if (settings->workMode == 0 && !isDefaultPartition(settings->downloadAddr) && !recoverPartition())
        return JobFailed;
    sleepMs(int(link.autoJobPause.count()));
    return JobOk;
}

// A pulled adapter does not end automatic mode: its dead port is closed and
// the device wait opens it again, once per wait, until the adapter is back.
int DownloadWorker::waitForChip()
{
    if (portLost())
        closePort();
    const bool found = waitDevice();
    if (linkLost)
        closePort();
    return found ? JobOk : JobNoDevice;
}

// Chip after chip until the stop request: a new chip is downloaded once,
// then only checked for presence (silently) until it is pulled.
int DownloadWorker::runAutoLoop()
{
    int code = waitForChip();
    for (;;) {
        if (stopRequested) {
            logError(QStringLiteral("The downloading is canceled!"));
            return JobCanceled;
        }
        if (code == JobOk) {
            if (!chipDone) {
                code = runAutoJob();
                if (code == JobOk) {
                    logSuccess(QStringLiteral("The downloading is successed!"));
                    emit sngChipResult(true);
                    chipDone = true;
                }
            }
        }
        if (code == JobNoDevice) {
            chipDone = false;
            logError(QStringLiteral("Enter boot failed,maybe no device!"));
        } else if (code == JobCanceled) {
            logTrace(QStringLiteral("The downloading is canceled!"));
            return JobCanceled;
        } else if (code != JobOk) {
            chipDone = false;
            logError(QStringLiteral("The downloading is failed!"));
            emit sngChipResult(false);
        }
        code = waitForChip();
    }
}
