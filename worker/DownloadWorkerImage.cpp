// Loading the image file for the console program.
#include "Crc32Wifi.h"
#include "DownloadWorker.h"
#include "ImageFile.h"
#include "WorkerSettings.h"

namespace {
// The flash below the default address 0x1000 is not the image's.
constexpr qint64 reservedBytes = 4096;
} // namespace

bool DownloadWorker::loadImageFile()
{
    const QString& name = settings->FileName;
    if (name.isEmpty()) {
        logError(QStringLiteral("Error: please input file name!"));
        return false;
    }
    QByteArray bytes;
    switch (ImageFile::read(name, ImageFile::flashBytes(settings->FlashSize) - reservedBytes, bytes)) {
    case ImageFile::Refusal::CantOpen:
        logError(QStringLiteral("Error: can't open %1").arg(name));
        return false;
    case ImageFile::Refusal::TooLarge:
        logError(QStringLiteral("Error: the size of file: %1 is out of range!").arg(name));
        return false;
    case ImageFile::Refusal::None:
        break;
    }

    settings->image = std::move(bytes);
    const qsizetype length = settings->image.size();
    settings->packetCount = int(length / settings->packetSize + (length % settings->packetSize != 0 ? 1 : 0));
    settings->imageCrc
        = Crc32_wifi(reinterpret_cast<const unsigned char*>(settings->image.constData()), unsigned(length));
    return true;
}
