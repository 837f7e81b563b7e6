#pragma once

#include <QString>

// Tells the operator how to start the program after a command line it cannot
// take, before any window exists: on standard error, and on Windows, where a
// window program has no console to print to, in a message box as well.
void showUsage(const QString& program, const QString& usage);
