#pragma once

#include "AttemptReport.h"
#include "RecordContext.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariant>

// One row of chip_attempts: one chip attempt, as it stands (running, or finished).
struct AttemptRow {
    QString id; // a UUID without braces
    QDateTime startedAt; // UTC
    QDateTime finishedAt; // invalid while running
    RecordContext context;
    QString result { QStringLiteral("running") }; // "running", "pass", "fail", "canceled", "no_device"
    QString failedStep; // "open", "attach", "identity", "erase", "partition", "transfer", "verify", "recover" or empty
    QString reason;
    qint64 transferMs = 0;
    qint64 durationMs = 0; // by a monotonic clock: a clock set during the attempt changes nothing
    QString chipId; // the chip's MAC address where one was assigned
    int chipAttempt = 1; // 1: the chip's first attempt

    static AttemptRow started(const RecordContext& context, const QDateTime& startedAt);
    void finish(const AttemptReport& report);

    // The table's columns, in the order values() gives them; text as every store takes it.
    static const QStringList& columns();
    QVariantList values() const;
    static AttemptRow fromValues(const QVariantList& values);

    // How times are written into the local file: UTC, milliseconds, sortable as text.
    static QString timeText(const QDateTime& time);
    static QDateTime timeFromValue(const QVariant& value);

    static QString resultName(AttemptReport::Result result);
    static QString stepName(AttemptReport::Step step);
};
