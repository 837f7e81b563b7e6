#include "LineSetup.h"

#include <termios.h>

namespace {

bool speedCode(int baud, speed_t& code)
{
    switch (baud) {
    case 9600:
        code = B9600;
        return true;
    case 57600:
        code = B57600;
        return true;
    case 115200:
        code = B115200;
        return true;
    case 230400:
        code = B230400;
        return true;
    case 460800:
        code = B460800;
        return true;
    case 921600:
        code = B921600;
        return true;
    default:
        return false;
    }
}

} // namespace

bool LineSetup::raw8N1(int fd, int baud)
{
    termios settings {};
    speed_t code = B0;
    if (!speedCode(baud, code) || tcgetattr(fd, &settings) != 0)
        return false;
    cfmakeraw(&settings);
    settings.c_cflag &= ~(CSTOPB | CRTSCTS);
    settings.c_iflag &= ~(IXON | IXOFF);
    cfsetspeed(&settings, code);
    return tcsetattr(fd, TCSANOW, &settings) == 0;
}
