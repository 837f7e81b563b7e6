#include "UartLink.h"

void UartLink::check(int fd, int chipBaud)
{
    if (LineSettings::read(fd, settings))
        matching = settings.suits(chipBaud);
}

void UartLink::pass(char* bytes, qsizetype count) const
{
    if (matching)
        return;
    for (qsizetype i = 0; i < count; ++i)
        bytes[i] = garble(bytes[i]);
}

char UartLink::garble(char byte)
{
    // An odd multiplier permutes the low seven bits; flipping the top bit
    // moves text out of the printable range.
    const quint8 value = quint8(byte);
    return char(((value & 0x80) ^ 0x80) | (quint8(value * 37 + 11) & 0x7F));
}
