#include "BenchImage.h"

#include "Crc32Wifi.h"

#include <QFile>

namespace BenchImage {

QByteArray make(int bytes)
{
    QByteArray image(bytes, Qt::Uninitialized);
    quint32 state = 0x2545F491u;
    for (int i = 0; i < bytes; ++i) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        image[i] = char(state);
    }
    return image;
}

bool save(const QByteArray& bytes, const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

int packetCount(const QByteArray& image)
{
    return int((image.size() + 1023) / 1024);
}

quint32 crc(const QByteArray& image)
{
    return Crc32_wifi(reinterpret_cast<const unsigned char*>(image.constData()), unsigned(image.size()));
}

} // namespace BenchImage
