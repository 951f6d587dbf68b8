#include "comms/serial/serialdevice.h"
#include "comms/core/errorcodes.h"
#include "comms/serial/linuxtermios.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

struct BaudCode {
    uint32_t rate;
    speed_t code;
};

constexpr BaudCode kBauds[] = {
    {50, B50},         {75, B75},         {110, B110},       {134, B134},       {150, B150},
    {200, B200},       {300, B300},       {600, B600},       {1200, B1200},     {1800, B1800},
    {2400, B2400},     {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
    {57600, B57600},   {115200, B115200}, {230400, B230400}, {460800, B460800}, {500000, B500000},
    {576000, B576000}, {921600, B921600}, {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

bool speedFor(uint32_t rate, speed_t& code)
{
    for (const BaudCode& b : kBauds)
        if (b.rate == rate) {
            code = b.code;
            return true;
        }
    return false;
}

uint32_t rateOf(speed_t code)
{
    for (const BaudCode& b : kBauds)
        if (b.code == code)
            return b.rate;
    return 0;
}

int xioctl(int fd, unsigned long req, void* arg)
{
    int r;
    do {
        r = ::ioctl(fd, req, arg);
    } while (r < 0 && errno == EINTR);
    return r;
}

// Pseudo-terminals and some adapters know no modem lines: that is not a failure.
bool unsupported(int err)
{
    return err == ENOTTY || err == EINVAL;
}

}  // namespace

std::string ResolveComDeviceName(const std::string& name)
{
    static const char prefix[] = "\\\\.\\COM";
    const size_t n = sizeof prefix - 1;
    if (name.size() <= n || strncasecmp(name.c_str(), prefix, n) != 0)
        return name;
    const std::string digits = name.substr(n);
    if (digits.find_first_not_of("0123456789") != std::string::npos || digits.size() > 5)
        return name;
    const long number = std::strtol(digits.c_str(), nullptr, 10);
    if (number < 1)
        return name;
    const std::string var = "QWLVIEW_COM" + std::to_string(number);
    if (const char* v = std::getenv(var.c_str()); v && *v)
        return v;
    return "/dev/ttyS" + std::to_string(number - 1);
}

int MapSerialErrno(int err)
{
    switch (err) {
    case 0:
        return 0;
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case EIO:
    case ENOTTY:
        return ecFileNotFound;  // no such port
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
        return ecPathNotFound;
    case EMFILE:
    case ENFILE:
        return ecTooManyFiles;
    case EBUSY:
    case EACCES:
    case EPERM:
    case EWOULDBLOCK:
        return ecAccessDenied;  // in use by another program
    case EBADF:
        return ecInvalidHandle;
    case ENOMEM:
        return ecOutOfMemory;
    case EINVAL:
        return ecBadArgument;
    default:
        return ecHardwareFailure;
    }
}

SerialDevice::SerialDevice() = default;

SerialDevice::~SerialDevice()
{
    Close();
}

int SerialDevice::Open(const std::string& name)
{
    if (fd_ >= 0)
        return ecAlreadyOpen;
    const std::string path = ResolveComDeviceName(name);
    if (const int held = lock_.Acquire(path); held != 0)
        return held;
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        lock_.Release();
        return MapSerialErrno(errno);
    }
    auto fail = [this, fd](int err) {
        ::close(fd);
        lock_.Release();
        return MapSerialErrno(err);
    };
    // flock binds every user, root included; TIOCEXCL keeps out other users' plain opens.
    if (::flock(fd, LOCK_EX | LOCK_NB) < 0)
        return fail(errno == EWOULDBLOCK ? EBUSY : errno);
    termios tio{};
    if (::tcgetattr(fd, &tio) < 0)
        return fail(errno);
    if (serial_struct info{}; xioctl(fd, TIOCGSERIAL, &info) == 0 && info.type == PORT_UNKNOWN)
        return fail(ENODEV);
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (::tcsetattr(fd, TCSANOW, &tio) < 0)
        return fail(errno);
    xioctl(fd, TIOCEXCL, nullptr);
    int wake = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wake < 0)
        return fail(errno);

    fd_ = fd;
    wakeFd_ = wake;
    hungUp_ = false;
    int lines = 0;
    modemIoctls_ = xioctl(fd_, TIOCMGET, &lines) == 0;
    lastEventLines_ = lines;
    serial_icounter_struct c{};
    countIoctls_ = xioctl(fd_, TIOCGICOUNT, &c) == 0;
    eventCounts_ = errorCounts_ = c;

    dcb_ = TDCB{};
    dcb_.BaudRate = rateOf(::cfgetospeed(&tio));
    dcb_.ByteSize = 8;
    dcb_.Parity = 0;
    dcb_.StopBits = ONESTOPBIT;
    return 0;
}

int SerialDevice::Probe(const std::string& name)
{
    const std::string path = ResolveComDeviceName(name);
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return MapSerialErrno(errno);
    int err = 0;
    termios tio{};
    serial_struct info{};
    if (::tcgetattr(fd, &tio) < 0)
        err = errno;
    else if (xioctl(fd, TIOCGSERIAL, &info) == 0 && info.type == PORT_UNKNOWN)
        err = ENODEV;  // a ttyS node without a UART behind it
    else if (::flock(fd, LOCK_EX | LOCK_NB) < 0)
        err = errno == EWOULDBLOCK ? EBUSY : errno;
    else if (!PortHolder(path).empty())
        err = EBUSY;  // another program's lock file, or its descriptor
    ::close(fd);
    return MapSerialErrno(err);
}

int SerialDevice::Close()
{
    if (fd_ < 0)
        return 0;
    xioctl(fd_, TIOCNXCL, nullptr);
    int r = ::close(fd_);
    fd_ = -1;
    lock_.Release();
    if (wakeFd_ >= 0)
        ::close(wakeFd_);
    wakeFd_ = -1;
    return r < 0 && errno != EINTR ? -1 : 0;
}

namespace {

// One read or write on a non-blocking descriptor: retried on EINTR, 0 bytes on EAGAIN.
template <typename Io>
int transferOnce(int fd, int size, Io io)
{
    if (fd < 0)
        return ecNotOpen;
    if (size <= 0)
        return 0;
    for (;;) {
        ssize_t r = io(fd, size_t(size));
        if (r >= 0)
            return int(r);
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN)
            return 0;
        return MapSerialErrno(errno);
    }
}

}  // namespace

int SerialDevice::Read(void* buf, int size)
{
    return transferOnce(fd_, size, [buf](int fd, size_t n) { return ::read(fd, buf, n); });
}

int SerialDevice::Write(const void* buf, int size)
{
    return transferOnce(fd_, size, [buf](int fd, size_t n) { return ::write(fd, buf, n); });
}

int SerialDevice::WaitWritable(int extraFd, int timeoutMs)
{
    if (fd_ < 0)
        return ecNotOpen;
    pollfd p[2] = {{fd_, POLLOUT, 0}, {extraFd, POLLIN, 0}};
    const int n = extraFd >= 0 ? 2 : 1;
    for (;;) {
        waits_.fetch_add(1, std::memory_order_relaxed);
        int r = ::poll(p, n, timeoutMs);
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0)
            return MapSerialErrno(errno);
        if (r == 0)
            return 0;
        if (n == 2 && (p[1].revents & POLLIN))
            return 2;
        if (p[0].revents & POLLOUT)
            return 1;
        if (p[0].revents & (POLLHUP | POLLERR | POLLNVAL))
            return ecFileNotFound;  // the device went away
        return 0;
    }
}

int SerialDevice::GetState(TDCB& dcb) const
{
    if (fd_ < 0)
        return -1;
    dcb = dcb_;
    return 0;
}

int SerialDevice::SetState(const TDCB& dcb)
{
    if (fd_ < 0)
        return ecNotOpen;
    speed_t speed;
    // A rate without a termios constant is set through termios2 once the rest is written.
    constexpr uint32_t fastest = 4000000;
    const bool otherRate = !speedFor(dcb.BaudRate, speed);
    if (otherRate && (dcb.BaudRate == 0 || dcb.BaudRate > fastest))
        return ecBaudRate;
    if (dcb.ByteSize < 5 || dcb.ByteSize > 8)
        return ecByteSize;
    if (dcb.Parity > 4 || dcb.StopBits > 2)
        return ecBadArgument;
    termios tio{};
    if (::tcgetattr(fd_, &tio) < 0)
        return MapSerialErrno(errno);
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    static const tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    tio.c_cflag |= sizes[dcb.ByteSize - 5];
    switch (dcb.Parity) {
    case 1: tio.c_cflag |= PARENB | PARODD; break;
    case 2: tio.c_cflag |= PARENB; break;
    case 3: tio.c_cflag |= PARENB | PARODD | CMSPAR; break;
    case 4: tio.c_cflag |= PARENB | CMSPAR; break;
    default: break;
    }
    if (dcb.StopBits != ONESTOPBIT)
        tio.c_cflag |= CSTOPB;  // termios has no 1.5: two stop bits serve
    if (dcb.fOutxCtsFlow || dcb.fRtsControl == RTS_CONTROL_HANDSHAKE)
        tio.c_cflag |= CRTSCTS;
    tio.c_iflag &= ~(INPCK | IXON | IXOFF | IXANY | PARMRK | ISTRIP | IGNPAR);
    if (dcb.fParity)
        tio.c_iflag |= INPCK;
    if (dcb.fOutX)
        tio.c_iflag |= IXON;
    if (dcb.fInX)
        tio.c_iflag |= IXOFF;
    tio.c_cc[VSTART] = cc_t(dcb.XonChar);
    tio.c_cc[VSTOP] = cc_t(dcb.XoffChar);
    if (!otherRate) {
        tio.c_cflag &= ~CIBAUD;  // an input rate left by termios2 would outlive this one
        ::cfsetispeed(&tio, speed);
        ::cfsetospeed(&tio, speed);
    }
    if (::tcsetattr(fd_, TCSANOW, &tio) < 0)
        return MapSerialErrno(errno);
    if (otherRate)
        if (const int error = SetTtyRate(fd_, dcb.BaudRate))
            return MapSerialErrno(error);

    if (dcb.fDtrControl != DTR_CONTROL_HANDSHAKE)
        applyModemLine(TIOCM_DTR, dcb.fDtrControl == DTR_CONTROL_ENABLE);
    if (dcb.fRtsControl == RTS_CONTROL_ENABLE || dcb.fRtsControl == RTS_CONTROL_DISABLE)
        applyModemLine(TIOCM_RTS, dcb.fRtsControl == RTS_CONTROL_ENABLE);
    // The driver's RS-485 mode turns RTS round where the hardware has it; elsewhere stored only.
    serial_rs485 rs{};
    if (xioctl(fd_, TIOCGRS485, &rs) == 0) {
        const bool toggle = dcb.fRtsControl == RTS_CONTROL_TOGGLE;
        if (bool(rs.flags & SER_RS485_ENABLED) != toggle) {
            rs.flags = toggle ? (rs.flags | SER_RS485_ENABLED | SER_RS485_RTS_ON_SEND) & ~SER_RS485_RTS_AFTER_SEND
                              : rs.flags & ~SER_RS485_ENABLED;
            xioctl(fd_, TIOCSRS485, &rs);
        }
    }
    dcb_ = dcb;
    return 0;
}

int SerialDevice::applyModemLine(int bit, bool on)
{
    if (xioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &bit) == 0 || unsupported(errno))
        return 0;
    return MapSerialErrno(errno);
}

int SerialDevice::Escape(int func)
{
    if (fd_ < 0)
        return ecNotOpen;
    int r = 0;
    switch (func) {
    case SETDTR: return applyModemLine(TIOCM_DTR, true);
    case CLRDTR: return applyModemLine(TIOCM_DTR, false);
    case SETRTS: return applyModemLine(TIOCM_RTS, true);
    case CLRRTS: return applyModemLine(TIOCM_RTS, false);
    case SETBREAK: r = xioctl(fd_, TIOCSBRK, nullptr); break;
    case CLRBREAK: r = xioctl(fd_, TIOCCBRK, nullptr); break;
    case SETXOFF: r = ::tcflow(fd_, TCOOFF); break;
    case SETXON: r = ::tcflow(fd_, TCOON); break;
    default: return ecBadArgument;
    }
    if (r == 0 || unsupported(errno))
        return 0;
    return MapSerialErrno(errno);
}

bool SerialDevice::readModemLines(int& lines)
{
    lines = 0;
    return modemIoctls_ && xioctl(fd_, TIOCMGET, &lines) == 0;
}

bool SerialDevice::readCounts(serial_icounter_struct& c)
{
    return countIoctls_ && xioctl(fd_, TIOCGICOUNT, &c) == 0;
}

int SerialDevice::GetModemStatus(uint32_t& status)
{
    status = 0;
    if (fd_ < 0)
        return ecNotOpen;
    int lines = 0;
    if (!readModemLines(lines))
        return 0;
    if (lines & TIOCM_CTS) status |= MS_CTS_ON;
    if (lines & TIOCM_DSR) status |= MS_DSR_ON;
    if (lines & TIOCM_RNG) status |= MS_RING_ON;
    if (lines & TIOCM_CAR) status |= MS_RLSD_ON;
    return 0;
}

int SerialDevice::GetErrors(uint32_t& errors, TComStat& stat)
{
    errors = 0;
    stat = TComStat{};
    if (fd_ < 0)
        return ecNotOpen;
    serial_icounter_struct c{};
    std::lock_guard<std::mutex> lock(errorLock_);
    if (readCounts(c)) {
        if (c.buf_overrun != errorCounts_.buf_overrun) errors |= CE_RXOVER;
        if (c.overrun != errorCounts_.overrun) errors |= CE_OVERRUN;
        if (c.parity != errorCounts_.parity) errors |= CE_RXPARITY;
        if (c.frame != errorCounts_.frame) errors |= CE_FRAME;
        if (c.brk != errorCounts_.brk) errors |= CE_BREAK;
        errorCounts_ = c;
    }
    int n = 0;
    if (xioctl(fd_, FIONREAD, &n) == 0 && n > 0)
        stat.cbInQue = uint32_t(n);
    n = 0;
    if (xioctl(fd_, TIOCOUTQ, &n) == 0 && n > 0)
        stat.cbOutQue = uint32_t(n);
    return 0;
}

int SerialDevice::Purge(uint32_t flags)
{
    if (fd_ < 0)
        return ecNotOpen;
    const bool tx = flags & (PURGE_TXABORT | PURGE_TXCLEAR);
    const bool rx = flags & (PURGE_RXABORT | PURGE_RXCLEAR);
    if (!tx && !rx)
        return 0;
    if (::tcflush(fd_, tx && rx ? TCIOFLUSH : tx ? TCOFLUSH : TCIFLUSH) < 0)
        return MapSerialErrno(errno);
    return 0;
}

int SerialDevice::Drain()
{
    if (fd_ < 0)
        return ecNotOpen;
    // tcdrain can block for ever behind a held flow control; poll the queue with a bound.
    for (int i = 0; i < 2500; ++i) {
        int n = 0;
        if (xioctl(fd_, TIOCOUTQ, &n) < 0) {
            if (unsupported(errno))
                return 0;
            return MapSerialErrno(errno);
        }
        if (n <= 0)
            return 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return 0;
}

void SerialDevice::StopWait()
{
    if (wakeFd_ < 0)
        return;
    uint64_t one = 1;
    while (::write(wakeFd_, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

uint32_t SerialDevice::WaitEvent(uint32_t mask, bool wantInput, int timeoutMs)
{
    if (fd_ < 0)
        return 0;
    using Clock = std::chrono::steady_clock;
    constexpr int kLinePollMs = 50;   // modem lines and error counters have no descriptor event
    constexpr int kHangUpPollMs = 100;
    const bool watchLines = (modemIoctls_ && (mask & (EV_CTS | EV_DSR | EV_RLSD | EV_RING | EV_RING_TE))) ||
                            (countIoctls_ && (mask & (EV_BREAK | EV_ERR)));
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
    for (;;) {
        int wait = -1;
        if (timeoutMs >= 0) {
            // Rounded up: the last part of a millisecond is slept, not polled for.
            auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
            wait = left > 0 ? int(left) : 0;
        }
        if (watchLines && (wait < 0 || wait > kLinePollMs))
            wait = kLinePollMs;
        if (hungUp_ && (wait < 0 || wait > kHangUpPollMs))
            wait = kHangUpPollMs;
        const bool input = wantInput && (mask & EV_RXCHAR) && !hungUp_;
        pollfd p[2] = {{wakeFd_, POLLIN, 0}, {fd_, short(input ? POLLIN : 0), 0}};
        waits_.fetch_add(1, std::memory_order_relaxed);
        int r = ::poll(p, hungUp_ ? 1 : 2, wait);
        if (r < 0 && errno != EINTR)
            return 0;
        if (r > 0 && (p[0].revents & POLLIN)) {
            uint64_t v;
            while (::read(wakeFd_, &v, sizeof v) < 0 && errno == EINTR) {
            }
            return 0;
        }
        uint32_t events = 0;
        if (r > 0 && !hungUp_) {
            if (p[1].revents & (POLLHUP | POLLERR)) {
                // A hung-up tty stays readable for ever; only bytes still queued count.
                int n = 0;
                if (xioctl(fd_, FIONREAD, &n) == 0 && n > 0)
                    events |= EV_RXCHAR;
                else
                    hungUp_ = true;  // look again now and then, never spin
            } else if (p[1].revents & POLLIN) {
                events |= EV_RXCHAR;
            }
        } else if (hungUp_) {
            pollfd probe{fd_, POLLIN, 0};
            if (::poll(&probe, 1, 0) >= 0 && !(probe.revents & (POLLHUP | POLLERR)))
                hungUp_ = false;
        }
        int lines = 0;
        if ((mask & (EV_CTS | EV_DSR | EV_RLSD | EV_RING | EV_RING_TE)) && readModemLines(lines)) {
            const int changed = lines ^ lastEventLines_;
            if (changed & TIOCM_CTS) events |= EV_CTS;
            if (changed & TIOCM_DSR) events |= EV_DSR;
            if (changed & TIOCM_CAR) events |= EV_RLSD;
            if ((changed & TIOCM_RNG) && (lines & TIOCM_RNG)) events |= EV_RING;
            if ((changed & TIOCM_RNG) && !(lines & TIOCM_RNG)) events |= EV_RING_TE;
            lastEventLines_ = lines;
        }
        serial_icounter_struct c{};
        if ((mask & (EV_BREAK | EV_ERR)) && readCounts(c)) {
            if (c.brk != eventCounts_.brk) events |= EV_BREAK;
            if (c.overrun != eventCounts_.overrun || c.parity != eventCounts_.parity ||
                c.frame != eventCounts_.frame || c.buf_overrun != eventCounts_.buf_overrun)
                events |= EV_ERR;
            eventCounts_ = c;
        }
        events &= mask;
        if (events)
            return events;
        if (timeoutMs >= 0 && Clock::now() >= deadline)
            return 0;
    }
}
