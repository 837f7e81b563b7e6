#pragma once

#include "TraceFileClaim.h"
#include "WireTap.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QList>
#include <QPair>
#include <QString>

#include <memory>
#include <mutex>

class DownloadWorker;

// Writes what crosses a worker's line into a trace file (see WireTraceFormat).
// The file is chosen when the port first opens, so that a taken name can give
// way to one with the port in it; the job's lines from before that follow the
// file's first header with negative times. Lines are gathered in memory and written
// after each write to the chip (while the bytes are on the line, not before
// them), at each log line, when the port closes and when much has gathered.
// A file past maxBytes continues in a new one; the one before is kept as
// "<file>.1", so a trace never takes more than about twice maxBytes.
class WireTraceWriter : public WireTap {
public:
    static constexpr qint64 defaultMaxBytes = 100 * 1000 * 1000;

    WireTraceWriter(QString requestedFile, QString programName, qint64 maxBytes = defaultMaxBytes);
    ~WireTraceWriter() override;

    // Gives the worker a writer when TERVASK_TRACE names a file (a relative
    // name goes under logs/), bounded by TERVASK_TRACE_MAX bytes ("100M",
    // "500K" and "2G" too); nothing otherwise.
    static void installFromEnvironment(DownloadWorker& worker);
    // TERVASK_TRACE_MAX's value in bytes; 0 when it is not a size.
    static qint64 parseSize(const QString& text);

    void opened(const QString& portName, qint32 baud) override;
    void closed() override;
    void sent(const QByteArray& bytes) override;
    void received(const QByteArray& bytes) override;
    void logged(const QString& line) override;

    // The file written to: empty until the port first opened.
    QString fileName() const;

private:
    qint64 elapsedUs() const { return clock.nsecsElapsed() / 1000; }
    void writeOut();
    void continueInNewFile();

    mutable std::mutex lock;
    const QString requested;
    const QString program;
    TraceFileClaim claim;
    QFile file;
    const qint64 maxBytes;
    qint64 fileBytes = 0;
    bool failed = false;
    QByteArray pending;
    QElapsedTimer clock;
    // Log lines from before the first open wait for the file, with their times.
    QList<QPair<qint64, QString>> early;
};
