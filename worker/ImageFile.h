#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// Reading a firmware image from a file, with the rules every front end
// applies: only a regular file, and never more than fits the flash.
namespace ImageFile {

enum class Refusal {
    None,
    CantOpen, // missing, not a regular file, or unreadable
    TooLarge,
};

// The flash's bytes from its size setting ("1MByte", "4M"): the first
// character is the size in MiB; anything else is -1 MiB, which no image fits.
qint64 flashBytes(const QString& flashSize);

// An address setting: "0x" starts a hexadecimal number, anything else is
// decimal; text that is no number is 0.
qint64 addressValue(const QString& text);

// The bytes of the file when it holds at most limit bytes; on a refusal
// bytes is left untouched.
Refusal read(const QString& path, qint64 limit, QByteArray& bytes);

} // namespace ImageFile
