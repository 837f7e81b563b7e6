#include "SerialLatency.h"

#include <QSerialPort>

#ifdef Q_OS_LINUX
#include <linux/serial.h>
#include <sys/ioctl.h>
#endif

void requestLowLatency(QSerialPort& port)
{
#ifdef Q_OS_LINUX
    const int fd = int(port.handle());
    serial_struct serial {};
    if (fd < 0 || ioctl(fd, TIOCGSERIAL, &serial) != 0)
        return; // pseudo-terminals and some adapters have no such settings
    serial.flags |= ASYNC_LOW_LATENCY;
    ioctl(fd, TIOCSSERIAL, &serial);
#else
    Q_UNUSED(port);
#endif
}
