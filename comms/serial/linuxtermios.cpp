#include "comms/serial/linuxtermios.h"

#include <cerrno>
#include <sys/ioctl.h>
#include <termios.h>

namespace {

// The kernel's struct termios2 as the generic ioctls take it; asm/termbits.h cannot be
// included beside termios.h.
struct KernelTermios2 {
    tcflag_t c_iflag;
    tcflag_t c_oflag;
    tcflag_t c_cflag;
    tcflag_t c_lflag;
    cc_t c_line;
    cc_t c_cc[19];
    speed_t c_ispeed;
    speed_t c_ospeed;
};

constexpr tcflag_t kBOther = 0010000;  // the rate is in c_ispeed/c_ospeed
constexpr int kInputShift = 16;  // the input rate's bits above the output rate's
constexpr unsigned long kGetTermios2 = _IOR('T', 0x2A, KernelTermios2);
constexpr unsigned long kSetTermios2 = _IOW('T', 0x2B, KernelTermios2);

int termios2Call(int fd, unsigned long request, KernelTermios2& t)
{
    int r;
    do {
        r = ::ioctl(fd, request, &t);
    } while (r < 0 && errno == EINTR);
    return r;
}

}  // namespace

int SetTtyRate(int fd, uint32_t rate)
{
    KernelTermios2 t{};
    if (termios2Call(fd, kGetTermios2, t) < 0)
        return errno;
    t.c_cflag &= ~(tcflag_t(CBAUD) | (tcflag_t(CBAUD) << kInputShift));
    t.c_cflag |= kBOther | (kBOther << kInputShift);
    t.c_ispeed = rate;
    t.c_ospeed = rate;
    return termios2Call(fd, kSetTermios2, t) < 0 ? errno : 0;
}

uint32_t TtyRate(int fd)
{
    KernelTermios2 t{};
    return termios2Call(fd, kGetTermios2, t) < 0 ? 0 : t.c_ospeed;
}
