#include "DownloadMessage.h"

#include <QtDebug>

#include <cstdio>
#include <mutex>

namespace {

std::mutex& consoleLock()
{
    static std::mutex lock;
    return lock;
}

void logLine(const QString& text)
{
    qDebug().noquote() << text;
}

// The console gets UTF-8 (see Utf8Console), so a file name prints as typed.
void printLine(std::FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace

void DownloadMessage::workerLog(QString text, QColor)
{
    std::lock_guard<std::mutex> guard(consoleLock());
    logLine(text);
    printLine(text.contains(QLatin1String("Error:")) ? stderr : stdout, text);
}

void DownloadMessage::workerException(QString text)
{
    std::lock_guard<std::mutex> guard(consoleLock());
    logLine(QStringLiteral("Failed!!!") + text);
    printLine(stderr, text);
}

void DownloadMessage::workerResult(bool status)
{
    std::lock_guard<std::mutex> guard(consoleLock());
    logLine(status ? QStringLiteral("Successed!") : QStringLiteral("Failed!"));
    printLine(status ? stdout : stderr, status ? QStringLiteral("Successed!") : QStringLiteral("Failed!"));
}

void DownloadMessage::warning(const QString& text)
{
    std::lock_guard<std::mutex> guard(consoleLock());
    logLine(text);
    printLine(stderr, text);
}
