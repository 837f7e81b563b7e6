#include "DownloadWorker.h"

#include "MacAllocator.h"
#include "PortLoss.h"
#include "WorkerSettings.h"

#include <QMetaObject>
#include <QSerialPort>

DownloadWorker::DownloadWorker(QObject* parent)
    : QObject(parent)
    , port(new QSerialPort(this))
{
    connect(port, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError error) {
        if (meansAdapterGone(error))
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
    retryAddress.reset();
    // Refused before the port is opened: no attempt, no byte to any chip.
    if (const QString why = identityRefusal(); !why.isEmpty()) {
        logError(QStringLiteral("Error: %1!").arg(why));
        emit sngFinishAll(false);
        return;
    }
    const bool automatic = settings->AutoStart;
    // A single job is one attempt from its start; in automatic mode only a chip that answered makes one.
    const bool attemptJob = !automatic && settings->workMode != 2;
    if (!automatic)
        jobTimer.restart();
    if (attemptJob)
        beginAttempt();

    if (!openPort()) {
        attempt.failedStep = AttemptReport::Step::Open;
        finishAttempt(JobFailed);
        emit sngFinishAll(false);
        return;
    }
    announcePortBack();

    int result;
    if (automatic) {
        result = runAutoLoop();
    } else {
        result = runJob(needprepare);
        finishAttempt(result);
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
    if (macs && settings->identity.enabled)
        macs->jobEnded();
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
        if (!runStep(AttemptReport::Step::Attach, &DownloadWorker::waitDevice))
            return stopRequested || linkLost ? JobFailed : JobNoDevice;
        if (const int identified = runIdentityStep(); identified != JobOk)
            return identified;
        if (!runStep(AttemptReport::Step::Erase, &DownloadWorker::eraseFlash))
            return JobFailed;
    }
    return runDownloadSteps(needprepare);
}

// What a single job and a chip in automatic mode share, from the partition on.
int DownloadWorker::runDownloadSteps(bool needprepare)
{
    using Step = AttemptReport::Step;
    if (stopCheck())
        return JobCanceled;
    if (needprepare && !runStep(Step::Partition, &DownloadWorker::preparePartition))
        return JobFailed;
    if (stopCheck())
        return JobCanceled;
    if (!chipAddress.image.isNull() && !runStep(Step::Identity, &DownloadWorker::keepChipAddress))
        return JobFailed;
    if (!runStep(Step::Transfer, &DownloadWorker::sendXmodem))
        return JobFailed;
    if (stopCheck())
        return JobCanceled;
    if (!runStep(Step::Verify, &DownloadWorker::verifyImage))
        return JobFailed;
    if (!runStep(Step::Identity, &DownloadWorker::writeIdentitySector))
        return JobFailed;
    if (settings->workMode != 0 || isDefaultPartition(settings->downloadAddr))
        return JobOk;
    return runStep(Step::Recover, &DownloadWorker::recoverPartition) ? JobOk : JobFailed;
}

int DownloadWorker::runAutoJob()
{
    emit sngProgress(0, settings->packetCount);
    if (const int identified = runIdentityStep(); identified != JobOk)
        return identified;
    if (!runStep(AttemptReport::Step::Erase, &DownloadWorker::eraseFlash))
        return JobFailed;
    return runDownloadSteps(true);
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
    failedAttempts = 0;
    retryPending = false;
    announceWaiting();
    int code = waitForChip();
    for (;;) {
        if (stopRequested) {
            logError(QStringLiteral("The downloading is canceled!"));
            return JobCanceled;
        }
        if (code == JobOk && !chipDone)
            code = downloadChip();
        if (code == JobNoDevice) {
            chipLeft();
        } else if (code == JobNoAddress) {
            return JobFailed;
        } else if (code == JobCanceled) {
            logTrace(QStringLiteral("The downloading is canceled!"));
            return JobCanceled;
        }
        code = waitForChip();
    }
}

// One attempt at the chip that answered. A failed one is reported as JobOk
// (the loop goes on to the next device wait), or as JobNoDevice when the chip
// has left the socket meanwhile.
int DownloadWorker::downloadChip()
{
    if (!retryPending)
        retryAddress.reset();
    retryPending = false;
    beginAttempt();
    const int code = runAutoJob();
    finishAttempt(code);
    if (code == JobCanceled || code == JobNoAddress)
        return code;
    if (code == JobOk) {
        pauseMs(int(link.autoJobPause.count()));
        logSuccess(QStringLiteral("The downloading is successed!"));
        chipPassed();
        return JobOk;
    }
    logError(QStringLiteral("The downloading is failed!"));
    return chipFailed();
}

void DownloadWorker::chipPassed()
{
    emit sngChipResult(true);
    failedAttempts = 0;
    retryAddress.reset();
    chipDone = true;
    sinceLastPrompt.restart();
}

// Without a retry limit a failing chip is downloaded again and again, each
// failure counted; with one it is given up after its last retry and left
// alone until it is pulled, counted once. A chip that leaves before that ends
// its retries: whatever answers next is a new chip.
int DownloadWorker::chipFailed()
{
    const int retries = settings->failedChipRetries;
    if (retries < 0) {
        chipDone = false;
        emit sngChipResult(false);
        return JobOk;
    }
    if (stopRequested)
        return JobOk; // an attempt cut short by Stop says nothing about the chip
    ++failedAttempts;
    if (!chipStillAnswers())
        return stopRequested ? JobOk : JobNoDevice;
    if (failedAttempts <= retries) {
        chipDone = false;
        retryPending = true;
        return JobOk;
    }
    logError(failedAttempts == 1 ? QStringLiteral("The chip failed once: remove it!")
                                 : QStringLiteral("The chip failed %1 times: remove it!").arg(failedAttempts));
    emit sngChipResult(false);
    failedAttempts = 0;
    retryAddress.reset();
    chipDone = true;
    return JobOk;
}

// After a failed attempt: a chip in the socket has given its prompt lately (a
// cancelled receiver gives it back at once). One silent for longer has left,
// and a chip that answers a knock now is another one.
bool DownloadWorker::chipStillAnswers()
{
    if (receiverBusy && awaitReceiverQuit())
        return true;
    return sinceLastPrompt.isValid() && sinceLastPrompt.elapsed() <= link.chipLeftSilence.count();
}

void DownloadWorker::chipLeft()
{
    // A chip pulled before its retries were used up is counted by its last failure.
    if (failedAttempts > 0) {
        failedAttempts = 0;
        emit sngChipResult(false);
    }
    chipDone = false;
    retryPending = false;
    retryAddress.reset();
    logError(QStringLiteral("Enter boot failed,maybe no device!"));
    // While the adapter is lost the station waits for it, not for a chip.
    if (!waitingAnnounced && !lossAnnounced)
        announceWaiting();
}

void DownloadWorker::announcePortBack()
{
    if (!lossAnnounced)
        return;
    lossAnnounced = false;
    emit sngPortLost(false);
}

void DownloadWorker::announceWaiting()
{
    waitingAnnounced = true;
    emit sngWaitingForChip();
}
