#include "SerialLatency.h"

// Windows gives a program no say: an adapter's latency timer is a setting of its
// driver, in the port's advanced properties in the Device Manager.
void requestLowLatency(QSerialPort&) { }
