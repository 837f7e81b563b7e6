#include "SerialLatency.h"

#include <QSerialPort>

#include <linux/serial.h>
#include <sys/ioctl.h>

void requestLowLatency(QSerialPort& port)
{
    const int fd = int(port.handle());
    serial_struct serial {};
    if (fd < 0 || ioctl(fd, TIOCGSERIAL, &serial) != 0)
        return; // pseudo-terminals and some adapters have no such settings
    serial.flags |= ASYNC_LOW_LATENCY;
    ioctl(fd, TIOCSSERIAL, &serial);
}
