#include "RecipeImage.h"

#include "Crc32Wifi.h"
#include "ImageFile.h"
#include "Recipe.h"

#include <QCoreApplication>

namespace {
constexpr qint64 imageStart = 0x1000;
constexpr int packetBytes = 1024;

} // namespace

QString RecipeImage::crcText(quint32 crc)
{
    return QStringLiteral("0x") + QString::number(crc, 16).toUpper().rightJustified(8, QLatin1Char('0'));
}

std::optional<RecipeImage> RecipeImage::read(const Recipe& recipe, QString* errorLine)
{
    const QString& path = recipe.FileName;
    QString error;
    RecipeImage image;
    if (path.isEmpty()) {
        error = QCoreApplication::translate("RecipeImage", "No image chosen.");
    } else {
        switch (ImageFile::read(path, ImageFile::flashBytes(recipe.FlashSize) - imageStart, image.bytes)) {
        case ImageFile::Refusal::CantOpen:
            error = QCoreApplication::translate("RecipeImage", "Can't load %1").arg(path);
            break;
        case ImageFile::Refusal::TooLarge:
            error = QCoreApplication::translate("RecipeImage", "The size of file: %1 is out of range!").arg(path);
            break;
        case ImageFile::Refusal::None:
            break;
        }
    }
    if (!error.isEmpty()) {
        if (errorLine)
            *errorLine = error;
        return std::nullopt;
    }
    image.packetCount = int((image.bytes.size() + packetBytes - 1) / packetBytes);
    image.crc32
        = Crc32_wifi(reinterpret_cast<const unsigned char*>(image.bytes.constData()), unsigned(image.bytes.size()));
    return image;
}

std::optional<RecipeImage> RecipeImage::load(const Recipe& recipe, QString* errorLine)
{
    std::optional<RecipeImage> image = read(recipe, errorLine);
    if (!image || recipe.imageCrc.isEmpty())
        return image;
    if (image->bytes.size() == recipe.imageSize
        && crcText(image->crc32).compare(recipe.imageCrc, Qt::CaseInsensitive) == 0)
        return image;
    if (errorLine) {
        *errorLine = QCoreApplication::translate("RecipeImage",
            "%1 is not the recipe's image: expected %2 bytes with CRC-32 %3, the file has %4 bytes with "
            "CRC-32 %5.")
                         .arg(recipe.FileName)
                         .arg(recipe.imageSize)
                         .arg(recipe.imageCrc, QString::number(image->bytes.size()), crcText(image->crc32));
    }
    return std::nullopt;
}
