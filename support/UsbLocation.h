#pragma once

#include <QString>

// The USB socket a serial port's adapter is plugged into, as the system names it:
// on Linux the device's place on the bus ("1-1.4": bus 1, port 1, hub port 4), on
// Windows its location path ("PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(1)#USB(4)"). It
// stays the same for a fixture's adapter across replugs, unlike the port's name.
// Empty for a port that is not on USB, or when the system does not say.
QString usbLocationOf(const QString& portName);
