#include "RecipeImage.h"

#include "Crc32Wifi.h"
#include "ImageFile.h"
#include "Recipe.h"

namespace {
constexpr qint64 imageStart = 0x1000;
constexpr int packetBytes = 1024;
} // namespace

std::optional<RecipeImage> RecipeImage::load(const Recipe& recipe, QString* errorLine)
{
    const QString& path = recipe.FileName;
    QString error;
    RecipeImage image;
    if (path.isEmpty()) {
        error = QStringLiteral("Error: please input file name!");
    } else {
        switch (ImageFile::read(path, ImageFile::flashBytes(recipe.FlashSize) - imageStart, image.bytes)) {
        case ImageFile::Refusal::CantOpen:
            error = QStringLiteral("Error: can't load %1").arg(path);
            break;
        case ImageFile::Refusal::TooLarge:
            error = QStringLiteral("Error: the size of file: %1 is out of range!").arg(path);
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
