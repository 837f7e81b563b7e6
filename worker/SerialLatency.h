#pragma once

class QSerialPort;

// Asks the driver to hand over received bytes at once instead of holding them
// for its latency timer. Silently does nothing where the device does not support it.
void requestLowLatency(QSerialPort& port);
