#pragma once

#include <QSerialPort>

// Whether an error the port reports means that the adapter is gone (pulled out,
// its driver failing): the job then ends with the port lost, and automatic mode
// opens it again. The errors differ by system, as its serial driver stack does.
bool meansAdapterGone(QSerialPort::SerialPortError error);
