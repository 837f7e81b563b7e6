#include "ReferenceSender.h"

#include "LineSetup.h"
#include "Xmodem.h"

#include <QElapsedTimer>
#include <QList>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

class Line {
public:
    explicit Line(const QString& port)
        : fd(::open(port.toLocal8Bit().constData(), O_RDWR | O_NOCTTY))
    { }
    ~Line()
    {
        if (fd >= 0)
            ::close(fd);
    }
    Line(const Line&) = delete;
    Line& operator=(const Line&) = delete;

    bool isOpen() const { return fd >= 0; }
    bool setSpeed(int baud) const { return LineSetup::raw8N1(fd, baud); }
    bool write(const QByteArray& bytes) const
    {
        return ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    }

    // One byte, or -1 after the time-out.
    int readByte(int timeoutMs) const
    {
        pollfd p { fd, POLLIN, 0 };
        char byte = 0;
        if (poll(&p, 1, timeoutMs) <= 0 || ::read(fd, &byte, 1) != 1)
            return -1;
        return quint8(byte);
    }

private:
    int fd;
};

} // namespace

bool ReferenceSender::send(const QString& portName, int baud, const QByteArray& image, int timeoutMs)
{
    QList<QByteArray> packets;
    for (qsizetype offset = 0; offset < image.size(); offset += 1024)
        packets.append(
            Xmodem::buildPacket(int(image.size() - offset), quint8(packets.size() + 1), image.constData() + offset));
    const Line line(portName);
    if (!line.isOpen()) {
        why = QStringLiteral("cannot open ") + portName;
        return false;
    }
    if (!line.setSpeed(baud)) {
        why = QStringLiteral("cannot set %1 to %2 baud").arg(portName).arg(baud);
        return false;
    }
    QElapsedTimer clock;
    clock.start();
    const auto left = [&] { return int(std::max<qint64>(0, timeoutMs - clock.elapsed())); };

    // The echo "loadx" holds no 'C': the first one after it is the receiver's.
    line.write("loadx\r");
    for (int byte = 0; byte != Xmodem::START;) {
        if ((byte = line.readByte(left())) < 0) {
            why = QStringLiteral("no start request");
            return false;
        }
    }
    for (qsizetype i = 0; i < packets.size();) {
        line.write(packets.at(i));
        const int answer = line.readByte(left());
        if (answer == Xmodem::ACK) {
            ++i;
        } else if (answer != Xmodem::NAK && answer != Xmodem::START) {
            why = QStringLiteral("packet %1 answered %2").arg(i + 1).arg(answer);
            return false;
        }
    }
    line.write(QByteArray(1, Xmodem::EOT));
    if (line.readByte(left()) < 0) {
        why = QStringLiteral("no answer to EOT");
        return false;
    }
    return true;
}
