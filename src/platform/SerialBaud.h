#pragma once

namespace lumadesk {

// Sets input and output speed of an open terminal to any positive rate: the standard ones
// through termios, others (e.g. 230000) through the kernel's arbitrary-rate interface.
// Kept in a file of its own because the kernel's termios header clashes with libc's.
bool SetSerialBaudRate(int fd, int baudRate);

// The output speed the terminal is set to, or -1 when it cannot be read.
int SerialBaudRate(int fd);

} // namespace lumadesk
