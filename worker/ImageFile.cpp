#include "ImageFile.h"

#include <QFile>
#include <QFileInfo>

namespace ImageFile {

qint64 flashBytes(const QString& flashSize)
{
    constexpr qint64 bytesPerMiB = 1048576;
    const QChar first = flashSize.isEmpty() ? QChar() : flashSize.at(0);
    const int mib = first >= u'0' && first <= u'9' ? first.unicode() - u'0' : -1;
    return mib * bytesPerMiB;
}

qint64 addressValue(const QString& text)
{
    bool ok = false;
    qint64 value = 0;
    if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        value = text.mid(2).toLongLong(&ok, 16);
    else
        value = text.toLongLong(&ok, 10);
    return ok ? value : 0;
}

Refusal read(const QString& path, qint64 limit, QByteArray& bytes)
{
    QFile file(path);
    // Opening a FIFO waits for a writer for ever, and a folder or a device is no image.
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return Refusal::CantOpen;
    // Refused before reading, so that a huge file is never loaded into memory.
    if (file.size() > limit)
        return Refusal::TooLarge;
    // At most one byte past the limit, in case the file grows meanwhile.
    QByteArray read = file.read(limit + 1);
    if (file.error() != QFileDevice::NoError)
        return Refusal::CantOpen;
    if (read.size() > limit)
        return Refusal::TooLarge;
    bytes = std::move(read);
    return Refusal::None;
}

} // namespace ImageFile
