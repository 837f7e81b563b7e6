#pragma once

#include <QList>
#include <QString>

// A comma-separated list of numbers from a benchmark's command line ("115200,921600").
QList<int> numberList(const QString& text);
