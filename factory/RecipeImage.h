#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

struct Recipe;

// The recipe's image, read and checked once when the stations start, by the
// flash-test window's rules: a regular file that fits the flash above 0x1000.
struct RecipeImage {
    QByteArray bytes;
    quint32 crc32 = 0;
    int packetCount = 0; // XMODEM-1K packets

    // Empty with the red line that says why when the file is no image.
    static std::optional<RecipeImage> load(const Recipe& recipe, QString* errorLine);
};
