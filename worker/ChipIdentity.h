#pragma once

#include "IdentitySettings.h"
#include "MacAddress.h"

#include <QByteArray>

#include <optional>

// What the identity step decides from the bytes it read and the image it
// downloads: pure, so that every case can be judged without a chip.
namespace ChipIdentity {

// The chip address the sector already holds, when it is a base of the pool
// (a chip back for rework); none for anything else, blank flash included.
std::optional<MacAddress> addressIn(const IdentitySettings& identity, const QByteArray& sector);

// The address's bytes lie wholly within the image downloaded at imageOffset:
// the chip's copy of the image carries them.
bool insideImage(const IdentitySettings& identity, quint32 imageOffset, qsizetype imageSize);

// The image with the address in its place.
QByteArray imageWithAddress(
    const IdentitySettings& identity, const QByteArray& image, quint32 imageOffset, MacAddress mac);

// The sector written after the image: as it was read, the image's bytes
// where the image lies in it, and the address.
QByteArray sectorWithAddress(const IdentitySettings& identity, const QByteArray& sectorAsRead, const QByteArray& image,
    quint32 imageOffset, MacAddress mac);

} // namespace ChipIdentity
