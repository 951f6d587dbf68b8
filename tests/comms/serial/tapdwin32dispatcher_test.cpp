#include "comms/serial/tapdwin32dispatcher.h"
#include "common/procstats.h"
#include "peers/ptypair.h"

#include <QCoreApplication>
#include <atomic>
#include <dirent.h>
#include <gtest/gtest.h>
#include <mutex>
#include <sys/resource.h>
#include <thread>

namespace {

std::string linePattern(size_t n, int seed)
{
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i)
        s[i] = char((i * 31 + seed) & 0xFF);
    return s;
}

// Collects every byte that the available-data notices announce, on the dispatch thread.
struct Collector {
    std::mutex m;
    std::string got;
    void attach(TApdWin32Dispatcher& d)
    {
        d.ChangeLengthTrigger(1);
        d.RegisterEventTriggerHandler(this, [this, &d](uint32_t Msg, uint32_t wParam, int32_t) {
            if (Msg != wmTriggerAvail)
                return;
            std::string buf(wParam, '\0');
            if (d.GetBlock(buf.data(), int(wParam)) == int(wParam)) {
                std::lock_guard<std::mutex> lock(m);
                got += buf;
            }
        });
    }
    size_t size()
    {
        std::lock_guard<std::mutex> lock(m);
        return got.size();
    }
    bool waitFor(size_t n, int ms = 10000)
    {
        for (int i = 0; i < ms / 5 && size() < n; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return size() >= n;
    }
};

const QString kCom41 = QStringLiteral("\\\\.\\COM41");

}  // namespace

TEST(Win32Dispatcher, OpensAt19200RawAndMovesDataBothWays)
{
    PtyPair pty;
    pty.exportAs(41);
    // The tty keeps the settings of its last user: the same rate, but two stop bits and RTS/CTS.
    termios stale = pty.slaveTermios();
    cfsetispeed(&stale, B19200);
    cfsetospeed(&stale, B19200);
    stale.c_cflag |= CSTOPB | CRTSCTS;
    ASSERT_EQ(tcsetattr(pty.masterFd(), TCSANOW, &stale), 0);
    TApdWin32Dispatcher d(nullptr);
    Collector c;
    ASSERT_EQ(d.InitPort(kCom41, 19200, 0, 8, 1, 4096, 4096, ipAssertDTR | ipAssertRTS), 0);
    EXPECT_TRUE(d.DispActive);
    EXPECT_EQ(d.ThreadCount.load(), 3);
    termios t = pty.slaveTermios();
    EXPECT_EQ(cfgetospeed(&t), speed_t(B19200));
    EXPECT_EQ(t.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS), tcflag_t(CS8));
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO), 0u);
    uint32_t baud;
    int parity, bits, stop;
    d.GetLine(baud, parity, bits, stop);
    EXPECT_EQ(baud, 19200u);
    EXPECT_EQ(bits, 8);
    EXPECT_EQ(stop, 1);
    EXPECT_EQ(d.SetLine(0, 5, 9, 3), 0);

    c.attach(d);
    // More than the dispatch ring holds, so the ring wraps and fills.
    const std::string in = linePattern(30000, 3);
    std::thread writer([&] { pty.write(in); });
    EXPECT_TRUE(c.waitFor(in.size()));
    writer.join();
    EXPECT_EQ(c.got, in);

    ASSERT_EQ(d.PutString("hello\r"), 0);
    EXPECT_EQ(pty.read(6), "hello\r");
    d.DonePort();
    EXPECT_FALSE(d.DispActive);
    EXPECT_EQ(d.ThreadCount.load(), 0);
}

TEST(Win32Dispatcher, OutputRingWrapsUnderASlowReaderAndDrainsAtClose)
{
    PtyPair pty;
    pty.exportAs(41);
    TApdWin32Dispatcher d(nullptr);
    ASSERT_EQ(d.InitPort(kCom41, 19200, 0, 8, 1, 4096, 4096, 3), 0);
    const std::string out = linePattern(300000, 7);
    std::string got;
    std::thread reader([&] {
        for (int i = 0; i < 20000 && got.size() < out.size(); ++i) {
            got += pty.read(std::min<size_t>(1000, out.size() - got.size()), 200);
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });
    size_t sent = 0;
    for (int round = 0; sent < out.size() && round < 200000; ++round) {
        const int chunk = int(std::min<size_t>(1500, out.size() - sent));
        if (d.OutBuffFree() < chunk) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            continue;
        }
        ASSERT_EQ(d.PutBlock(out.data() + sent, chunk), 0);
        sent += size_t(chunk);
    }
    d.DonePort();  // what is still queued must reach the far end
    reader.join();
    EXPECT_EQ(sent, out.size());
    EXPECT_TRUE(got == out) << got.size();
}

TEST(Win32Dispatcher, OpenFailuresGiveCodesAndUndoEverything)
{
    const int before = countOpenFds();
    ::setenv("QWLVIEW_COM41", "/nonexistent/qwlview-port", 1);
    {
        TApdWin32Dispatcher d(nullptr);
        EXPECT_EQ(d.InitPort(kCom41, 19200, 0, 8, 1, 4096, 4096, 3), -2);
        EXPECT_FALSE(d.DispActive);
        EXPECT_LT(d.ComHandle.load(), 0);
    }
    PtyPair pty;
    pty.exportAs(41);
    {
        TApdWin32Dispatcher first(nullptr), second(nullptr);
        ASSERT_EQ(first.InitPort(kCom41, 19200, 0, 8, 1, 4096, 4096, 3), 0);
        EXPECT_EQ(second.InitPort(kCom41, 19200, 0, 8, 1, 4096, 4096, 3), -5);
        EXPECT_EQ(second.ThreadCount.load(), 0);
        // An unusable line setting closes what was opened.
        TApdWin32Dispatcher third(nullptr);
        first.DonePort();
        EXPECT_EQ(third.InitPort(kCom41, 5000000, 0, 8, 1, 4096, 4096, 3), -2002);
        EXPECT_FALSE(third.Device.IsOpen());
        EXPECT_EQ(third.ThreadCount.load(), 0);
    }
    EXPECT_EQ(countOpenFds(), before + 2);  // the pty pair itself
}

TEST(Win32Dispatcher, ManyOpenCloseCyclesWhileTheFarEndStreams)
{
    PtyPair pty;
    pty.exportAs(41);
    const int before = countOpenFds();
    std::atomic<bool> stop{false};
    std::thread streamer([&] {
        const std::string chunk = linePattern(256, 1);
        for (int i = 0; i < 1000000 && !stop; ++i) {
            ::write(pty.masterFd(), chunk.data(), chunk.size());
            std::this_thread::sleep_for(std::chrono::microseconds(300));
        }
    });
    for (int i = 0; i < 200; ++i) {
        Collector c;  // outlives the dispatcher whose thread calls it
        TApdWin32Dispatcher d(nullptr);
        ASSERT_EQ(d.InitPort(kCom41, 19200, 0, 8, 1, 4096, 4096, 3), 0) << i;
        c.attach(d);
        if (i % 3 == 0)
            d.PutString("x");
        if (i % 2 == 0)
            d.DonePort();  // else the destructor closes
    }
    stop = true;
    streamer.join();
    EXPECT_EQ(countOpenFds(), before);
}

TEST(Win32Dispatcher, HungUpFarEndDoesNotSpinAndStillCloses)
{
    auto pty = std::make_unique<PtyPair>();
    pty->exportAs(41);
    Collector c;
    TApdWin32Dispatcher d(nullptr);
    ASSERT_EQ(d.InitPort(kCom41, 19200, 0, 8, 1, 4096, 4096, 3), 0);
    c.attach(d);
    d.PutString("abc");
    pty->hangUp();
    d.PutString("lost");
    const uint64_t before = d.Device.WaitCount();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    // The threads wake now and then to look at the line again; spinning ones, all the time.
    EXPECT_LE(d.Device.WaitCount() - before, 20u);
    d.DonePort();
    EXPECT_EQ(d.ThreadCount.load(), 0);
}
