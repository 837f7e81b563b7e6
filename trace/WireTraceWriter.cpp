#include "WireTraceWriter.h"

#include "DownloadWorker.h"
#include "WireTraceFormat.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QtDebug>

#include <algorithm>

namespace {

// Enough to keep a dump's text from piling up between two writes to the chip.
constexpr qsizetype flushBytes = 64 * 1024;
// A window whose port never opens keeps no more than this of its lines.
constexpr qsizetype maxEarlyLines = 1000;

} // namespace

WireTraceWriter::WireTraceWriter(QString requestedFile, QString programName, qint64 maxBytes)
    : requested(std::move(requestedFile))
    , program(std::move(programName))
    , maxBytes(maxBytes)
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
    // A relative name goes beside the run logs, under the current folder,
    // which the programs set to their own.
    QString path = requested;
    if (QFileInfo(requested).isRelative()) {
        QDir().mkpath(QStringLiteral("logs"));
        path = QDir(QStringLiteral("logs")).absoluteFilePath(requested);
    }
    const QString maxText = qEnvironmentVariable("TERVASK_TRACE_MAX");
    qint64 maxBytes = maxText.isEmpty() ? defaultMaxBytes : parseSize(maxText);
    if (maxBytes <= 0) {
        qWarning().noquote() << "TERVASK_TRACE_MAX is not a size:" << maxText << "- the trace keeps to"
                             << defaultMaxBytes << "bytes";
        maxBytes = defaultMaxBytes;
    }
    worker.setWireTap(std::make_unique<WireTraceWriter>(path, QCoreApplication::applicationName(), maxBytes));
}

qint64 WireTraceWriter::parseSize(const QString& text)
{
    static const QRegularExpression size(
        QStringLiteral("^\\s*(\\d{1,12})\\s*([KMG]?)B?\\s*$"), QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = size.match(text);
    if (!match.hasMatch())
        return 0;
    const QString unit = match.captured(2).toUpper();
    const int power = unit.isEmpty() ? 0 : int(QStringLiteral("KMG").indexOf(unit)) + 1;
    qint64 factor = 1;
    for (int i = 0; i < power; ++i)
        factor *= 1000;
    return match.captured(1).toLongLong() * factor;
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
            fileBytes = failed ? 0 : file.size();
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
    fileBytes += std::max<qint64>(0, file.write(pending));
    pending.clear();
    if (fileBytes >= maxBytes)
        continueInNewFile();
}

// The file's name stays the one a reader looks for; its older part moves aside.
void WireTraceWriter::continueInNewFile()
{
    const QString name = file.fileName();
    const QString older = name + QStringLiteral(".1");
    file.close();
    QFile::remove(older);
    QFile::rename(name, older);
    fileBytes = 0;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        failed = true;
        qWarning().noquote() << "Cannot write the trace file" << name;
        return;
    }
    pending = QStringLiteral("# %1 (pid %2): continued; the trace before this line is in %3\n")
                  .arg(program)
                  .arg(QCoreApplication::applicationPid())
                  .arg(QFileInfo(older).fileName())
                  .toUtf8();
    fileBytes += std::max<qint64>(0, file.write(pending));
    pending.clear();
}
