#include "FixtureKey.h"

#include <QRegularExpression>

bool FixtureKey::isPortName(const QString& text)
{
    static const QRegularExpression systemName(QStringLiteral("^[A-Za-z0-9_][A-Za-z0-9_.-]*$"));
    static const QRegularExpression path(QStringLiteral("^/[^,\\s]+$"));
    // Windows' device path of a port, the way past COM9: \\.\COM12.
    static const QRegularExpression devicePath(QStringLiteral("^\\\\\\\\\\.\\\\[A-Za-z0-9_]+$"));
    return systemName.match(text).hasMatch() || path.match(text).hasMatch() || devicePath.match(text).hasMatch();
}

bool FixtureKey::isWellFormed(const QString& key)
{
    // Bus, then the port of each hub on the way: "1-1.4".
    static const QRegularExpression socket(QStringLiteral("^\\d+-\\d+(\\.\\d+)*$"));
    return isSocket(key) ? socket.match(socketOf(key)).hasMatch() : isPortName(key);
}
