#include "platform/SerialBaud.h"

#include <asm/ioctls.h>
#include <asm/termbits.h>

extern "C" int ioctl(int fd, unsigned long request, ...);

namespace lumadesk {

bool SetSerialBaudRate(int fd, int baudRate) {
    if (baudRate <= 0)
        return false;
    struct termios2 tio {};
    if (ioctl(fd, TCGETS2, &tio) != 0)
        return false;
    tio.c_cflag &= ~CBAUD;
    tio.c_cflag |= BOTHER;
    tio.c_cflag &= ~(CBAUD << IBSHIFT);
    tio.c_cflag |= BOTHER << IBSHIFT;
    tio.c_ispeed = unsigned(baudRate);
    tio.c_ospeed = unsigned(baudRate);
    return ioctl(fd, TCSETS2, &tio) == 0;
}

int SerialBaudRate(int fd) {
    struct termios2 tio {};
    return ioctl(fd, TCGETS2, &tio) == 0 ? int(tio.c_ospeed) : -1;
}

} // namespace lumadesk
