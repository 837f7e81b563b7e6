#include "CheckEraseRange.h"

#include <QObject>

bool checkEraseRange(int flashBytes, int eraseAddr, int eraseSize, QString& error)
{
    if (eraseAddr < 0x1000) {
        error = QObject::tr("Erase address can't less than 0x1000!");
        return false;
    }
    if (eraseAddr > flashBytes) {
        error = QObject::tr("Erase address can't greater than the flash size!");
        return false;
    }
    const int room = flashBytes - eraseAddr;
    // A negative size is a huge one to the chip, which takes the size as unsigned hexadecimal.
    if (eraseSize < 0 || eraseSize > room) {
        error = QObject::tr("Erase size can't greater than 0x%1!").arg(QString::number(room, 16));
        return false;
    }
    if (eraseSize % 4096 != 0) {
        error = QObject::tr("Erase size must be a multiple of 4k!");
        return false;
    }
    return true;
}
