#include "WorkerHarness.h"

#include "Crc32Wifi.h"

void WorkerHarness::useImage(const QByteArray& bytes)
{
    settings.image = bytes;
    settings.packetCount = int((bytes.size() + settings.packetSize - 1) / settings.packetSize);
    settings.imageCrc = Crc32_wifi(reinterpret_cast<const unsigned char*>(bytes.constData()), unsigned(bytes.size()));
}
