#include "comms/serial/linuxtermios.h"
#include "comms/serial/serialdevice.h"
#include "common/procstats.h"
#include "peers/ptypair.h"

#include <atomic>
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace {

TDCB line(uint32_t baud, uint8_t bits, uint8_t parity, uint8_t stop)
{
    TDCB d;
    d.BaudRate = baud;
    d.ByteSize = bits;
    d.Parity = parity;
    d.StopBits = stop;
    return d;
}

}  // namespace

TEST(SerialDeviceName, ResolvesComNamesThroughEnvironmentOrTtyS)
{
    ::unsetenv("QWLVIEW_COM7");
    EXPECT_EQ(ResolveComDeviceName("\\\\.\\COM7"), "/dev/ttyS6");
    EXPECT_EQ(ResolveComDeviceName("\\\\.\\com1"), "/dev/ttyS0");
    ::setenv("QWLVIEW_COM7", "/tmp/somewhere", 1);
    EXPECT_EQ(ResolveComDeviceName("\\\\.\\COM7"), "/tmp/somewhere");
    ::unsetenv("QWLVIEW_COM7");
    EXPECT_EQ(ResolveComDeviceName("\\\\.\\COM0"), "\\\\.\\COM0");
    EXPECT_EQ(ResolveComDeviceName("\\\\.\\COMx"), "\\\\.\\COMx");
    EXPECT_EQ(ResolveComDeviceName("/dev/ttyUSB0"), "/dev/ttyUSB0");
}

TEST(SerialDeviceName, ErrnoMapsToLibraryCodes)
{
    EXPECT_EQ(MapSerialErrno(ENOENT), -2);
    EXPECT_EQ(MapSerialErrno(ENODEV), -2);
    EXPECT_EQ(MapSerialErrno(ENXIO), -2);
    EXPECT_EQ(MapSerialErrno(EIO), -2);
    EXPECT_EQ(MapSerialErrno(EBUSY), -5);
    EXPECT_EQ(MapSerialErrno(EACCES), -5);
    EXPECT_EQ(MapSerialErrno(EPERM), -5);
    EXPECT_EQ(MapSerialErrno(EMFILE), -4);
    EXPECT_EQ(MapSerialErrno(ENOMEM), -8);
    EXPECT_LT(MapSerialErrno(EPIPE), -100);  // never a raw -errno
}

TEST(SerialDevice, OpenFailuresGiveMappedCodes)
{
    SerialDevice dev;
    EXPECT_EQ(dev.Open("/dev/qwlview-no-such-port"), -2);
    EXPECT_FALSE(dev.IsOpen());

    char file[] = "/tmp/qwlview-notatty-XXXXXX";
    int fd = ::mkstemp(file);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(dev.Open(file), -2);  // not a serial device
    ::close(fd);
    ::unlink(file);

    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    SerialDevice first, second;
    ASSERT_EQ(first.Open(pty.slavePath()), 0);
    EXPECT_EQ(second.Open(pty.slavePath()), -5);
    first.Close();
    EXPECT_EQ(second.Open(pty.slavePath()), 0);
}

TEST(SerialDevice, OpensRawAndWritesLineSettingsToTheTty)
{
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    // Leave the slave cooked, so the open has to make it raw.
    termios cooked = pty.slaveTermios();
    cooked.c_lflag |= ICANON | ECHO;
    ASSERT_EQ(::tcsetattr(pty.masterFd(), TCSANOW, &cooked), 0);

    SerialDevice dev;
    ASSERT_EQ(dev.Open(pty.slavePath()), 0);
    termios t = pty.slaveTermios();
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    EXPECT_TRUE(t.c_cflag & CLOCAL);
    EXPECT_TRUE(t.c_cflag & CREAD);

    ASSERT_EQ(dev.SetState(line(19200, 8, 0, ONESTOPBIT)), 0);
    t = pty.slaveTermios();
    EXPECT_EQ(cfgetospeed(&t), speed_t(B19200));
    EXPECT_EQ(t.c_cflag & CSIZE, tcflag_t(CS8));
    EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);

    TDCB d = line(9600, 7, 1, TWOSTOPBITS);
    d.fOutX = d.fInX = true;
    d.XonChar = 0x11;
    d.XoffChar = 0x13;
    d.fRtsControl = RTS_CONTROL_HANDSHAKE;
    ASSERT_EQ(dev.SetState(d), 0);
    t = pty.slaveTermios();
    EXPECT_EQ(cfgetospeed(&t), speed_t(B9600));
    // A pty always keeps CS8 without PARENB; the other bits show what was written.
    EXPECT_EQ(t.c_cflag & (PARODD | CSTOPB | CRTSCTS), tcflag_t(PARODD | CSTOPB | CRTSCTS));
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF), tcflag_t(IXON | IXOFF));
    EXPECT_EQ(t.c_cc[VSTART], 0x11);
    EXPECT_EQ(t.c_cc[VSTOP], 0x13);

    ASSERT_EQ(dev.SetState(line(115200, 8, 4, ONESTOPBIT)), 0);  // space parity
    t = pty.slaveTermios();
    EXPECT_EQ(t.c_cflag & (PARODD | CMSPAR | CSTOPB), tcflag_t(CMSPAR));

    TDCB back;
    ASSERT_EQ(dev.GetState(back), 0);
    EXPECT_EQ(back.BaudRate, 115200u);
    EXPECT_EQ(back.Parity, 4);
    EXPECT_EQ(back.ByteSize, 8);

    EXPECT_EQ(dev.SetState(line(0, 8, 0, ONESTOPBIT)), -2002);
    EXPECT_EQ(dev.SetState(line(4000001, 8, 0, ONESTOPBIT)), -2002);
    EXPECT_EQ(dev.SetState(line(9600, 9, 0, ONESTOPBIT)), -2003);
    t = pty.slaveTermios();
    EXPECT_EQ(cfgetospeed(&t), speed_t(B115200));  // a refused setting changes nothing

    // Rates without a termios constant, and back to one with a constant.
    for (uint32_t rate : {14400u, 56000u, 128000u, 256000u, 12345u, 115200u}) {
        ASSERT_EQ(dev.SetState(line(rate, 8, 0, ONESTOPBIT)), 0) << rate;
        EXPECT_EQ(TtyRate(pty.masterFd()), rate);
        ASSERT_EQ(dev.GetState(back), 0);
        EXPECT_EQ(back.BaudRate, rate);
    }
    t = pty.slaveTermios();
    EXPECT_EQ(cfgetospeed(&t), speed_t(B115200));
    EXPECT_EQ(t.c_cflag & CIBAUD, 0u);
}

TEST(SerialDevice, ModemLineCallsAreQuietNoOpsOnAPty)
{
    PtyPair pty;
    SerialDevice dev;
    ASSERT_EQ(dev.Open(pty.slavePath()), 0);
    for (int f : {SETDTR, CLRDTR, SETRTS, CLRRTS, SETBREAK, CLRBREAK})
        EXPECT_EQ(dev.Escape(f), 0) << f;
    uint32_t ms = 99;
    EXPECT_EQ(dev.GetModemStatus(ms), 0);
    EXPECT_EQ(ms, 0u);
    uint32_t errors = 99;
    TComStat st;
    EXPECT_EQ(dev.GetErrors(errors, st), 0);
    EXPECT_EQ(errors, 0u);
    EXPECT_EQ(dev.Drain(), 0);
}

TEST(SerialDevice, MovesBytesBothWaysAndReportsArrivals)
{
    PtyPair pty;
    SerialDevice dev;
    ASSERT_EQ(dev.Open(pty.slavePath()), 0);

    std::string out(3000, '\0');
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = char(i * 7);
    int sent = 0;
    for (int round = 0; sent < int(out.size()) && round < 500; ++round) {
        int n = dev.Write(out.data() + sent, int(out.size()) - sent);
        ASSERT_GE(n, 0);
        sent += n;
        if (n == 0)
            dev.WaitWritable(-1, 20);
    }
    EXPECT_EQ(pty.read(out.size()), out);

    EXPECT_EQ(dev.WaitEvent(EV_RXCHAR, true, 50), 0u);  // nothing yet
    ASSERT_TRUE(pty.write("\x02hello\x03"));
    EXPECT_EQ(dev.WaitEvent(EV_RXCHAR | EV_CTS | EV_ERR, true, 3000), uint32_t(EV_RXCHAR));
    uint32_t errors;
    TComStat st;
    ASSERT_EQ(dev.GetErrors(errors, st), 0);
    EXPECT_EQ(st.cbInQue, 7u);
    EXPECT_EQ(dev.WaitEvent(EV_RXCHAR, false, 50), 0u);  // input not wanted: not reported
    char buf[16];
    EXPECT_EQ(dev.Read(buf, sizeof buf), 7);
    EXPECT_EQ(std::string(buf, 7), "\x02hello\x03");
    EXPECT_EQ(dev.Read(buf, sizeof buf), 0);
}

TEST(SerialDevice, StopWaitEndsAPendingWait)
{
    PtyPair pty;
    SerialDevice dev;
    ASSERT_EQ(dev.Open(pty.slavePath()), 0);
    std::atomic<uint32_t> got{99};
    std::thread waiter([&] { got = dev.WaitEvent(EV_RXCHAR, true, -1); });
    // The waiter has entered its wait (a wake-up sent before it would prove nothing).
    for (int i = 0; i < 5000 && dev.WaitCount() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(dev.WaitCount(), 1u);
    EXPECT_EQ(got.load(), 99u);
    dev.StopWait();
    waiter.join();
    EXPECT_EQ(got.load(), 0u);
}

TEST(SerialDevice, HungUpFarEndDoesNotSpin)
{
    PtyPair pty;
    SerialDevice dev;
    ASSERT_EQ(dev.Open(pty.slavePath()), 0);
    pty.hangUp();
    EXPECT_EQ(dev.WaitEvent(EV_RXCHAR | EV_ERR, true, 500), 0u);
    // The hang-up is seen once, then looked at again every 100 ms; a spinning wait polls
    // thousands of times in the half second.
    EXPECT_LE(dev.WaitCount(), 10u);
    char buf[8];
    EXPECT_LE(dev.Read(buf, sizeof buf), 0);
    EXPECT_EQ(dev.Close(), 0);
}

TEST(SerialDevice, ReopensAndLeaksNoDescriptors)
{
    PtyPair pty;
    const int before = countOpenFds();
    for (int i = 0; i < 200; ++i) {
        SerialDevice dev;
        ASSERT_EQ(dev.Open(pty.slavePath()), 0) << i;
        ASSERT_EQ(dev.SetState(line(19200, 8, 0, ONESTOPBIT)), 0);
        ASSERT_EQ(dev.Close(), 0);
    }
    EXPECT_EQ(countOpenFds(), before);
}
