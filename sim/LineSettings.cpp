#include "LineSettings.h"

// The kernel's own terminal structure gives each speed as a number, also
// for rates without a Bxxx constant; it cannot share a file with <termios.h>.
#include <asm/termbits.h>
#include <cstdlib>
#include <sys/ioctl.h>

namespace {

// A UART samples each bit in its middle: over the ten bits of a frame a few
// per cent of difference still land every sample in the right bit.
constexpr int tolerancePercent = 2;

bool closeTo(int rate, int chipBaud)
{
    return std::abs(qint64(rate) - chipBaud) * 100 <= qint64(chipBaud) * tolerancePercent;
}

int dataBitsOf(tcflag_t flags)
{
    switch (flags & CSIZE) {
    case CS5:
        return 5;
    case CS6:
        return 6;
    case CS7:
        return 7;
    default:
        return 8;
    }
}

} // namespace

bool LineSettings::read(int fd, LineSettings& settings)
{
    termios2 terminal {};
    if (fd < 0 || ::ioctl(fd, TCGETS2, &terminal) != 0)
        return false;
    settings.baud = int(terminal.c_ospeed);
    // An input speed of 0 means "the same as the output speed".
    settings.receiveBaud = terminal.c_ispeed != 0 ? int(terminal.c_ispeed) : settings.baud;
    settings.dataBits = dataBitsOf(terminal.c_cflag);
    settings.parity = (terminal.c_cflag & PARENB) != 0;
    settings.oddParity = (terminal.c_cflag & PARODD) != 0;
    settings.twoStopBits = (terminal.c_cflag & CSTOPB) != 0;
    settings.hardwareFlow = (terminal.c_cflag & CRTSCTS) != 0;
    settings.softwareFlow = (terminal.c_iflag & (IXON | IXOFF)) != 0;
    return true;
}

bool LineSettings::suits(int chipBaud) const
{
    const bool frame = dataBits == 8 && !parity && !twoStopBits && !hardwareFlow && !softwareFlow;
    return frame && (chipBaud <= 0 || (closeTo(baud, chipBaud) && closeTo(receiveBaud, chipBaud)));
}

QByteArray LineSettings::describe() const
{
    QByteArray text = QByteArray::number(baud);
    if (receiveBaud != baud)
        text += '/' + QByteArray::number(receiveBaud);
    text += ' ' + QByteArray::number(dataBits) + (parity ? (oddParity ? 'O' : 'E') : 'N') + (twoStopBits ? '2' : '1');
    if (hardwareFlow)
        text += " RTS/CTS";
    if (softwareFlow)
        text += " XON/XOFF";
    return text;
}

bool LineSettings::operator==(const LineSettings& other) const
{
    return baud == other.baud && receiveBaud == other.receiveBaud && dataBits == other.dataBits
        && parity == other.parity && oddParity == other.oddParity && twoStopBits == other.twoStopBits
        && hardwareFlow == other.hardwareFlow && softwareFlow == other.softwareFlow;
}
