#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

struct Recipe;

// The recipe's image, read and checked once when the stations start, by the
// flash-test window's rules (a regular file that fits the flash above
// 0x1000), and against the size and CRC-32 the recipe pins, when it pins them.
struct RecipeImage {
    QByteArray bytes;
    quint32 crc32 = 0;
    int packetCount = 0; // XMODEM-1K packets

    // Empty with the line that says why when the file is no image, or not the recipe's.
    static std::optional<RecipeImage> load(const Recipe& recipe, QString* errorLine);
    // Read as it is, without the recipe's pin: what the lead is about to pin.
    static std::optional<RecipeImage> read(const Recipe& recipe, QString* errorLine);

    // "0x1234ABCD"
    static QString crcText(quint32 crc);
};
