#include "WireTraceWriter.h"

#include "DownloadWorker.h"
#include "WireTraceFormat.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QtDebug>

namespace {

// Enough to keep a dump's text from piling up between two writes to the chip.
constexpr qsizetype flushBytes = 64 * 1024;
// A window whose port never opens keeps no more than this of its lines.
constexpr qsizetype maxEarlyLines = 1000;

} // namespace

WireTraceWriter::WireTraceWriter(QString requestedFile, QString programName)
    : requested(std::move(requestedFile))
    , program(std::move(programName))
{
    clock.start();
}

WireTraceWriter::~WireTraceWriter()
{
    std::lock_guard<std::mutex> guard(lock);
    writeOut();
}

void WireTraceWriter::installFromEnvironment(DownloadWorker& worker)
{
    const QString requested = qEnvironmentVariable("TERVASK_TRACE");
    if (requested.isEmpty())
        return;
    // A relative name is taken from the current folder, which the programs set to their own.
    worker.setWireTap(std::make_unique<WireTraceWriter>(
        QFileInfo(requested).absoluteFilePath(), QCoreApplication::applicationName()));
}

QString WireTraceWriter::fileName() const
{
    std::lock_guard<std::mutex> guard(lock);
    return file.isOpen() ? file.fileName() : QString();
}

void WireTraceWriter::opened(const QString& portName, qint32 baud)
{
    std::lock_guard<std::mutex> guard(lock);
    const bool first = !file.isOpen() && !failed;
    if (first) {
        failed = !claim.claim(requested, portName);
        if (!failed) {
            file.setFileName(claim.fileName());
            failed = !file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered);
        }
        if (failed)
            qWarning().noquote() << "Cannot write the trace file" << requested;
    }
    const qint64 openedAt = elapsedUs();
    clock.restart();
    pending += QStringLiteral("# %1 (pid %2): %3 opened at %4 baud on %5; times in µs since then\n")
                   .arg(program)
                   .arg(QCoreApplication::applicationPid())
                   .arg(portName)
                   .arg(baud)
                   .arg(QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz 'UTC'")))
                   .toUtf8();
    for (const auto& [at, text] : std::as_const(early))
        pending += WireTraceFormat::logLine(at - openedAt, text);
    early.clear();
    writeOut();
}

void WireTraceWriter::closed()
{
    std::lock_guard<std::mutex> guard(lock);
    writeOut();
}

void WireTraceWriter::sent(const QByteArray& bytes)
{
    std::lock_guard<std::mutex> guard(lock);
    const qint64 us = elapsedUs();
    const QByteArray packet = WireTraceFormat::packetLine(us, bytes);
    pending += packet.isEmpty() ? WireTraceFormat::bytesLines(us, WireTraceFormat::toChip, bytes) : packet;
    writeOut();
}

void WireTraceWriter::received(const QByteArray& bytes)
{
    std::lock_guard<std::mutex> guard(lock);
    // Not written yet: the answer to a packet is followed by the next packet at once.
    pending += WireTraceFormat::bytesLines(elapsedUs(), WireTraceFormat::fromChip, bytes);
    if (pending.size() >= flushBytes)
        writeOut();
}

void WireTraceWriter::logged(const QString& line)
{
    std::lock_guard<std::mutex> guard(lock);
    if (!file.isOpen() && !failed) {
        if (early.size() < maxEarlyLines)
            early.append({ elapsedUs(), line });
        return;
    }
    pending += WireTraceFormat::logLine(elapsedUs(), line);
    writeOut();
}

// A file that cannot be written drops the lines.
void WireTraceWriter::writeOut()
{
    if (failed)
        pending.clear();
    if (!file.isOpen() || pending.isEmpty())
        return;
    file.write(pending);
    pending.clear();
}
