// The chip's own MAC address: the sector that holds it is read before the
// image; an address of the pool found there is the chip's (a chip back for
// rework), else the next free one is taken. It goes into the chip's copy of
// the image when the image covers it, else into the sector, written back
// after the image with every other byte as it was read.
#include "ChipIdentity.h"
#include "Crc32Wifi.h"
#include "DownloadWorker.h"
#include "DumpLineParser.h"
#include "ImageFile.h"
#include "MacAllocator.h"
#include "WorkerSettings.h"

namespace {

quint32 crcOf(const QByteArray& bytes)
{
    return Crc32_wifi(reinterpret_cast<const unsigned char*>(bytes.constData()), unsigned(bytes.size()));
}

} // namespace

QString DownloadWorker::identityRefusal() const
{
    if (!settings->identity.enabled || settings->workMode != 0)
        return QString();
    if (!macs)
        return QStringLiteral("no MAC address pool was given");
    return settings->identity.problem(ImageFile::flashBytes(settings->FlashSize));
}

const QByteArray& DownloadWorker::chipImage() const
{
    return chipAddress.image.isNull() ? settings->image : chipAddress.image;
}

quint32 DownloadWorker::chipImageCrc() const
{
    return chipAddress.image.isNull() ? settings->imageCrc : chipAddress.imageCrc;
}

bool DownloadWorker::readIdentitySector(QByteArray& sector)
{
    discardInput();
    QList<quint32> words;
    const IdentitySettings& identity = settings->identity;
    if (!readDumpChunk(consoleFlashBase + identity.sectorStart(), IdentitySettings::sectorBytes, words)) {
        if (!stopRequested && !linkLost)
            logError(QStringLiteral("Error: the sector of the MAC address could not be read!"));
        return false;
    }
    sector = DumpLineParser::bytesOf(words);
    // The console is done once its prompt is in: the next command must not meet it at work.
    readUntilPrompt(link.commandReply);
    return !stopCheck() && !portLost();
}

// After attach and before anything is written. JobNoAddress when the pool
// has none to give: the run ends before a byte reaches the chip.
int DownloadWorker::identifyChip()
{
    chipAddress = ChipAddress();
    if (!settings->identity.enabled || settings->workMode != 0)
        return JobOk;
    const IdentitySettings& identity = settings->identity;
    QByteArray sector;
    if (!readIdentitySector(sector))
        return stopRequested ? JobCanceled : JobFailed;

    std::optional<MacAddress> found = ChipIdentity::addressIn(identity, sector);
    QString why;
    if (found && *found != retryAddress && !macs->claim(*found, why)) {
        logError(QStringLiteral("Error: %1!").arg(why));
        return JobFailed;
    }
    if (!found)
        found = retryAddress;
    if (found) {
        chipAddress.mac = *found;
        chipAddress.kept = true;
    } else {
        if (!macs->take(chipAddress.mac, why)) {
            logError(QStringLiteral("Error: %1!").arg(why));
            return JobNoAddress;
        }
        chipAddress.taken = true;
    }
    chipAddress.decided = true;
    chipAddress.sectorAsRead = sector;
    attempt.chipId = chipAddress.mac.text();
    logProgress(QStringLiteral("MAC: %1 (%2)").arg(chipAddress.mac.text(), found ? "kept" : "new"));
    emit sngChipIdentified(attempt.chipId);

    const quint32 offset = imageOffset();
    const QByteArray& image = settings->image;
    if (ChipIdentity::insideImage(identity, offset, image.size())) {
        chipAddress.image = ChipIdentity::imageWithAddress(identity, image, offset, chipAddress.mac);
        chipAddress.imageCrc = crcOf(chipAddress.image);
        return JobOk;
    }
    // A chip that keeps its address needs its sector written only where the image's partition reaches it.
    const qint64 sectorStart = identity.sectorStart();
    const bool imageReachesSector = sectorStart < qint64(offset) + imagePartitionSize()
        && qint64(offset) < sectorStart + IdentitySettings::sectorBytes;
    chipAddress.writeSector = !chipAddress.kept || imageReachesSector;
    return JobOk;
}

int DownloadWorker::runIdentityStep()
{
    attempt.failedStep = AttemptReport::Step::Identity;
    const int identified = identifyChip();
    if (identified == JobOk)
        attempt.failedStep = AttemptReport::Step::None;
    return identified;
}

// Right before the first byte that carries the address goes out.
bool DownloadWorker::keepChipAddress()
{
    if (!chipAddress.decided || chipAddress.kept)
        return true;
    QString why;
    if (!macs->keep(chipAddress.mac, why)) {
        logError(QStringLiteral("Error: %1!").arg(why));
        return false;
    }
    chipAddress.kept = true;
    retryAddress = chipAddress.mac;
    return true;
}

// The sector through the same partition, loadx and checksum steps as the
// image, then the partition back to the image's.
bool DownloadWorker::writeIdentitySector()
{
    if (!chipAddress.writeSector)
        return true;
    const IdentitySettings& identity = settings->identity;
    const QByteArray sector = ChipIdentity::sectorWithAddress(
        identity, chipAddress.sectorAsRead, settings->image, imageOffset(), chipAddress.mac);
    logProgress(QStringLiteral("Write MAC sector 0x%1...").arg(identity.sectorStart(), 0, 16));
    if (!setPartition(identity.sectorStart(), IdentitySettings::sectorBytes) || stopCheck() || !keepChipAddress()
        || !sendXmodemBytes(sector, false) || !awaitTransferLeftovers())
        return false;
    discardInput();
    const QByteArray command = "checksum 1 " + QByteArray::number(consoleFlashBase + identity.sectorStart(), 16) + ' '
        + QByteArray::number(sector.size());
    return checkChecksum(command, verifyWaitMs(), crcOf(sector)) && !stopCheck()
        && setPartition(imageOffset(), imagePartitionSize());
}

// At the attempt's end: an address taken for it that never left for the
// chip goes back to the pool, and the attempt names no chip address.
void DownloadWorker::settleChipAddress()
{
    if (chipAddress.taken && !chipAddress.kept) {
        macs->giveBack(chipAddress.mac);
        attempt.chipId.clear();
    }
    chipAddress = ChipAddress();
}
