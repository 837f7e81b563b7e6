#include "PortLoss.h"

// A pulled adapter makes every read end at once with an error (ReadError), or the
// port fail as a whole (ResourceError).
bool meansAdapterGone(QSerialPort::SerialPortError error)
{
    return error == QSerialPort::ResourceError || error == QSerialPort::ReadError;
}
