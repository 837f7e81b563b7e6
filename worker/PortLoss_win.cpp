#include "PortLoss.h"

// Windows' drivers report a pulled adapter in several ways: ERROR_DEVICE_REMOVED,
// ERROR_BAD_COMMAND or ERROR_OPERATION_ABORTED (ResourceError); ERROR_GEN_FAILURE
// or ERROR_ACCESS_DENIED on the next read or write (ReadError, WriteError); and
// ERROR_GEN_FAILURE where the port's state is asked for (UnknownError), which
// an open, working port never reports.
bool meansAdapterGone(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::ResourceError:
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
    case QSerialPort::UnknownError:
        return true;
    default:
        return false;
    }
}
