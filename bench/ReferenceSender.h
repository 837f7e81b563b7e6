#pragma once

#include <QByteArray>
#include <QString>

// The least a stop-and-wait XMODEM-1K sender can do: every packet built
// before the transfer starts, written with one blocking write, its answer
// read with one blocking read. What it takes beyond the line's time is the
// machine's (waking threads up), not any sender's.
class ReferenceSender {
public:
    // "loadx", the packets and EOT over the line; true when EOT was answered.
    // The port is set to raw 8N1 at baud first.
    bool send(const QString& portName, int baud, const QByteArray& image, int timeoutMs);
    QString failure() const { return why; }

private:
    QString why;
};
