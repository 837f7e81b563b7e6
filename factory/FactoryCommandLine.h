#pragma once

#include <QString>
#include <QStringList>

// The station's command line: tervaskfactory [--ports P1,P2,...] [--file IMAGE] [--start].
// A port is a system name ("ttyUSB0", "COM3"), a path ("/dev/pts/5") or the
// USB socket of its adapter ("usb:1-1.4").
struct FactoryCommandLine {
    static constexpr int maxStations = 16;

    bool valid = false;
    QStringList ports; // fixture keys; empty: those of the recipe
    QString file; // empty: the image of the recipe
    bool start = false;

    // arguments as QCoreApplication::arguments() gives them, the program first.
    static FactoryCommandLine parse(const QStringList& arguments);
    static QString usage();
};
