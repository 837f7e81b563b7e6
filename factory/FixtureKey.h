#pragma once

#include <QString>

// What a station is bound to, as the recipe names it: a port ("ttyUSB3",
// "COM12", a path such as "/dev/pts/5"), or the USB socket its adapter sits
// in ("usb:1-1.4"), which stays the same when the system names the adapter
// anew ("ttyUSB3" becoming "ttyUSB5").
class FixtureKey {
public:
    static QString forSocket(const QString& location) { return socketPrefix() + location; }
    static bool isSocket(const QString& key) { return key.startsWith(socketPrefix()); }
    // The socket's location ("1-1.4"), or empty for a port.
    static QString socketOf(const QString& key) { return isSocket(key) ? key.mid(socketPrefix().size()) : QString(); }

    // A system name, an absolute path or a Windows device path (\\.\COM12), without commas or white space.
    static bool isPortName(const QString& text);
    static bool isWellFormed(const QString& key);

private:
    static QString socketPrefix() { return QStringLiteral("usb:"); }
};
