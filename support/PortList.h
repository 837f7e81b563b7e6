#pragma once

#include <QStringList>

// The serial ports the windows offer: those the system reports, then the names
// listed in TERVASK_EXTRA_PORTS (separated by the platform's list separator),
// which is how an operator reaches a pseudo-terminal such as vynsim's.
QStringList availablePortNames();

// The names listed in TERVASK_EXTRA_PORTS alone.
QStringList extraPortNames();
