#pragma once

#include <QDateTime>
#include <QMetaType>
#include <QString>

// What one chip attempt came to. The engine sends one at the end of every
// attempt (sngAttemptFinished) for whoever keeps production records; it keeps
// nothing itself. An attempt is a job in single mode, and in automatic mode
// one download into a chip that answered (waiting for a chip is not one).
struct AttemptReport {
    enum class Result { Pass, Fail, Canceled, NoDevice };
    // The step that failed, or that a stop cut short; None on a pass, a stop
    // between two steps, or no device.
    enum class Step { None, Open, Attach, Identity, Erase, Partition, Transfer, Verify, Recover };

    Result result = Result::Fail;
    Step failedStep = Step::None;
    QString reason; // the attempt's red line, as logged; empty on a pass
    QDateTime startedAt; // UTC, as sent with sngAttemptStarted
    QDateTime finishedAt; // UTC
    qint64 durationMs = 0; // by a monotonic clock, unlike the two times above
    qint64 transferMs = 0; // the XMODEM phase; 0 when it never started
    // This attempt's number at the chip in the socket: 2 is its first retry.
    // Every attempt of a single job, and of automatic mode without a retry
    // limit (where each failure is counted as a chip), is a chip's first.
    int chipAttempt = 1;
    QString chipId; // the chip's identity (its MAC address) where one was assigned, else empty
};

Q_DECLARE_METATYPE(AttemptReport)
