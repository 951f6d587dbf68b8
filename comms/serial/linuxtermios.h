#pragma once
#include <cstdint>

// Any baud rate on a Linux tty, through the kernel's termios2 and BOTHER: the rates termios
// has no constant for (14400, 56000, 128000, 256000, ...).

// Sets the input and output rate of the tty; 0, or the errno of the failing call.
int SetTtyRate(int fd, uint32_t rate);
// The output rate the kernel holds for the tty (a pty's master gives its slave's); 0 when
// it cannot be read.
uint32_t TtyRate(int fd);
