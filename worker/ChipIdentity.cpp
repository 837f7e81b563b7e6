#include "ChipIdentity.h"

#include <algorithm>

namespace ChipIdentity {

std::optional<MacAddress> addressIn(const IdentitySettings& identity, const QByteArray& sector)
{
    const std::optional<MacAddress> found = identity.decode(sector, identity.offsetInSector());
    if (found && identity.pool.holdsBase(*found))
        return found;
    return std::nullopt;
}

bool insideImage(const IdentitySettings& identity, quint32 imageOffset, qsizetype imageSize)
{
    const qint64 start = identity.flashAddress;
    return start >= qint64(imageOffset) && start + identity.length() <= qint64(imageOffset) + imageSize;
}

QByteArray imageWithAddress(
    const IdentitySettings& identity, const QByteArray& image, quint32 imageOffset, MacAddress mac)
{
    QByteArray copy = image;
    copy.replace(qsizetype(identity.flashAddress - imageOffset), identity.length(), identity.encode(mac));
    return copy;
}

QByteArray sectorWithAddress(const IdentitySettings& identity, const QByteArray& sectorAsRead, const QByteArray& image,
    quint32 imageOffset, MacAddress mac)
{
    QByteArray sector = sectorAsRead;
    const qint64 sectorStart = identity.sectorStart();
    const qint64 from = std::max<qint64>(sectorStart, imageOffset);
    const qint64 to = std::min<qint64>(sectorStart + sector.size(), qint64(imageOffset) + image.size());
    if (from < to)
        sector.replace(qsizetype(from - sectorStart), qsizetype(to - from),
            image.mid(qsizetype(from - imageOffset), qsizetype(to - from)));
    sector.replace(identity.offsetInSector(), identity.length(), identity.encode(mac));
    return sector;
}

} // namespace ChipIdentity
