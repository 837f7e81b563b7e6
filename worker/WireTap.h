#pragma once

#include <QByteArray>
#include <QString>

// An observer of everything that crosses the worker's serial line, for a
// trace of the wire in the field. The worker owns the tap it is given and calls
// it from the job's thread, right after the bytes moved; logged() may also come
// from the thread that asks the job to stop, so an implementation locks.
// Without a tap the worker pays one pointer test per read and write.
class WireTap {
public:
    virtual ~WireTap() = default;

    // The port is open: a new time base for what follows.
    virtual void opened(const QString& portName, qint32 baud) = 0;
    virtual void closed() = 0;
    // Bytes handed to the line (to the chip), in the order they were written.
    virtual void sent(const QByteArray& bytes) = 0;
    // Bytes read from the line (from the chip), including those the step throws away.
    virtual void received(const QByteArray& bytes) = 0;
    // One of the job's log lines, as it leaves the worker.
    virtual void logged(const QString& line) = 0;
};
