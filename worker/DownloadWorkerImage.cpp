// Loading the image file for the console program.
#include "Crc32Wifi.h"
#include "DownloadWorker.h"
#include "WorkerSettings.h"

#include <QFile>
#include <QFileInfo>

namespace {

constexpr qint64 bytesPerMiB = 1048576;
constexpr qint64 reservedBytes = 4096;

// The first character of FlashSize is the size in MiB; anything else allows nothing.
qint64 largestImage(const QString& flashSize)
{
    const QChar first = flashSize.isEmpty() ? QChar() : flashSize.at(0);
    const int mib = first >= u'0' && first <= u'9' ? first.unicode() - u'0' : -1;
    return mib * bytesPerMiB - reservedBytes;
}

} // namespace

bool DownloadWorker::loadImageFile()
{
    const QString& name = settings->FileName;
    if (name.isEmpty()) {
        logError(QStringLiteral("Error: please input file name!"));
        return false;
    }
    QFile file(name);
    // Only a regular file: opening a FIFO waits for a writer for ever, and a
    // folder or a device is no image.
    if (!QFileInfo(name).isFile() || !file.open(QIODevice::ReadOnly)) {
        logError(QStringLiteral("Error: can't open %1").arg(name));
        return false;
    }

    // Refused before reading, so that a huge file is never loaded into memory.
    const qint64 limit = largestImage(settings->FlashSize);
    if (file.size() > limit) {
        logError(QStringLiteral("Error: the size of file: %1 is out of range!").arg(name));
        return false;
    }
    // Bounded, so that a device or a file still growing cannot fill the memory.
    QByteArray bytes = file.read(limit + 1);
    if (file.error() != QFileDevice::NoError) {
        logError(QStringLiteral("Error: can't open %1").arg(name));
        return false;
    }
    if (bytes.size() > limit) {
        logError(QStringLiteral("Error: the size of file: %1 is out of range!").arg(name));
        return false;
    }
    file.close();

    settings->image = std::move(bytes);
    const qsizetype length = settings->image.size();
    settings->packetCount = int(length / settings->packetSize + (length % settings->packetSize != 0 ? 1 : 0));
    settings->imageCrc
        = Crc32_wifi(reinterpret_cast<const unsigned char*>(settings->image.constData()), unsigned(length));
    return true;
}
