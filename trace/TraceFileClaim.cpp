#include "TraceFileClaim.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLockFile>
#include <QRegularExpression>

namespace {

// "/dev/ttyUSB1" -> "ttyUSB1", "\\.\COM12" -> "COM12": a port as a piece of a file name.
QString portTag(const QString& portName)
{
    static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9_.-]"));
    QString tag = portName.mid(portName.lastIndexOf(QRegularExpression(QStringLiteral("[/\\\\]"))) + 1);
    tag.replace(unsafe, QStringLiteral("_"));
    return tag.isEmpty() ? QStringLiteral("port") : tag;
}

} // namespace

TraceFileClaim::TraceFileClaim() = default;
TraceFileClaim::~TraceFileClaim() = default;

QString TraceFileClaim::tagged(const QString& requested, const QString& tag)
{
    const QFileInfo info(requested);
    const QString suffix = info.suffix();
    const QString stem = suffix.isEmpty() ? info.fileName() : info.completeBaseName();
    const QString file = stem + QLatin1Char('-') + tag + (suffix.isEmpty() ? QString() : QLatin1Char('.') + suffix);
    const qsizetype folderLength = requested.size() - info.fileName().size();
    return requested.left(folderLength) + file;
}

bool TraceFileClaim::claim(const QString& requested, const QString& portName)
{
    const QString port = portTag(portName);
    const QString process = port + QLatin1Char('-') + QString::number(QCoreApplication::applicationPid());
    if (tryHold(requested) || tryHold(tagged(requested, port)) || tryHold(tagged(requested, process)))
        return true;
    for (int count = 2; count < 100; ++count)
        if (tryHold(tagged(requested, process + QLatin1Char('-') + QString::number(count))))
            return true;
    return false;
}

bool TraceFileClaim::tryHold(const QString& candidate)
{
    auto candidateLock = std::make_unique<QLockFile>(candidate + QStringLiteral(".lock"));
    // Only a dead holder makes a lock stale, never its age: a station runs for a whole shift.
    candidateLock->setStaleLockTime(0);
    if (!candidateLock->tryLock(0))
        return false;
    lock = std::move(candidateLock);
    name = candidate;
    return true;
}
