// The attempt report: what one attempt at a chip came to, for whoever keeps records.
#include "DownloadWorker.h"

#include <QElapsedTimer>

void DownloadWorker::beginAttempt()
{
    attempt = AttemptReport();
    attempt.startedAt = QDateTime::currentDateTimeUtc();
    attemptClock.start();
    attempt.chipAttempt = failedAttempts + 1;
    attemptOpen = true;
    waitingAnnounced = false;
    emit sngAttemptStarted(attempt.startedAt);
}

// The step is remembered before it runs: a step that fails leaves its name
// behind, and its red line (logError) becomes the attempt's reason.
bool DownloadWorker::runStep(AttemptReport::Step step, bool (DownloadWorker::*body)())
{
    attempt.failedStep = step;
    QElapsedTimer clock;
    clock.start();
    const bool done = (this->*body)();
    // Rounded up: a transfer that ran never reports 0, which means it never started.
    if (step == AttemptReport::Step::Transfer)
        attempt.transferMs = (clock.nsecsElapsed() + 999999) / 1000000;
    if (done)
        attempt.failedStep = AttemptReport::Step::None;
    return done;
}

void DownloadWorker::finishAttempt(int code)
{
    if (!attemptOpen)
        return;
    settleChipAddress();
    attemptOpen = false;
    attempt.finishedAt = QDateTime::currentDateTimeUtc();
    attempt.durationMs = attemptClock.elapsed();
    if (code == JobOk) {
        attempt.result = AttemptReport::Result::Pass;
        attempt.failedStep = AttemptReport::Step::None;
        attempt.reason.clear();
    } else if (stopRequested) {
        attempt.result = AttemptReport::Result::Canceled;
    } else if (code == JobNoDevice) {
        attempt.result = AttemptReport::Result::NoDevice;
        attempt.failedStep = AttemptReport::Step::None;
    } else {
        attempt.result = AttemptReport::Result::Fail;
    }
    emit sngAttemptFinished(attempt);
}
