// The simulated device itself: the protocol tests rely on what it answers.
#include "peers/simdevice.h"
#include "common/bytes.h"

#include <chrono>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace {

int openProgramEnd(const std::string& path)
{
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
        termios t {};
        tcgetattr(fd, &t);
        cfmakeraw(&t);
        tcsetattr(fd, TCSANOW, &t);
    }
    return fd;
}

// Reads until `until` appears (or the bounded wait ends); returns every byte read.
std::string readUntil(int fd, const std::string& until, int timeoutMs = 3000, int* reads = nullptr)
{
    std::string got;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (got.find(until) == std::string::npos && std::chrono::steady_clock::now() < deadline) {
        pollfd p {fd, POLLIN, 0};
        if (poll(&p, 1, 50) <= 0)
            continue;
        char buf[256];
        ssize_t n = read(fd, buf, sizeof buf);
        if (n > 0) {
            got.append(buf, size_t(n));
            if (reads)
                ++*reads;
        }
    }
    return got;
}

void send(int fd, const std::string& s) { ASSERT_EQ(write(fd, s.data(), s.size()), ssize_t(s.size())); }

const std::string ESC = "\x1b";
const std::string CR = "\r";

TEST(SimDevice, AnswersQueriesWritesAndRecordsCommands)
{
    peers::SimDevice dev;
    ASSERT_TRUE(dev.ok());
    dev.start();
    int fd = openProgramEnd(dev.ptyPath());
    ASSERT_GE(fd, 0);

    send(fd, ESC + "info.serial?" + CR);
    EXPECT_EQ(readUntil(fd, ETX), STX + "info.serial=QW000815" + ETX);

    send(fd, ESC + "station.region=034" + CR);
    EXPECT_EQ(readUntil(fd, ETX), STX + "station.region=034" + ETX);
    EXPECT_EQ(dev.key("station.region"), "034");

    send(fd, ESC + "cmd=reload" + CR + ESC + "ppp.Usetime?" + CR);
    EXPECT_EQ(readUntil(fd, ETX), STX + "ppp.usetime=1" + ETX) << "keys compare without case";
    EXPECT_EQ(dev.commands(), std::vector<std::string> {"reload"});

    send(fd, ESC + "no.such.key?" + CR);
    EXPECT_EQ(readUntil(fd, ETX), STX + "-" + ETX);

    EXPECT_EQ(dev.received(), ESC + "info.serial?" + CR + ESC + "station.region=034" + CR + ESC
            + "cmd=reload" + CR + ESC + "ppp.Usetime?" + CR + ESC + "no.such.key?" + CR);
    close(fd);
}

TEST(SimDevice, ScriptedFaultsAndReopen)
{
    peers::SimDevice dev;
    ASSERT_TRUE(dev.ok());
    dev.start();
    int fd = openProgramEnd(dev.ptyPath());
    ASSERT_GE(fd, 0);

    peers::SimDevice::Script s;
    s.noiseBeforeStx = "zz" + ETX;
    s.splitBytes = true;
    s.splitPauseMs = 5;
    dev.setScript(s);
    int reads = 0;
    send(fd, ESC + "info.hw?" + CR);
    EXPECT_EQ(readUntil(fd, "HW 2.1" + ETX, 3000, &reads), "zz" + ETX + STX + "info.hw=HW 2.1" + ETX);
    EXPECT_GT(reads, 3) << "split replies arrive in pieces";

    s = {};
    s.echoUpperCase = true;
    dev.setScript(s);
    send(fd, ESC + "ftpclient.user=abc" + CR);
    EXPECT_EQ(readUntil(fd, ETX), STX + "ftpclient.user=ABC" + ETX);

    s = {};
    s.silent = true;
    dev.setScript(s);
    send(fd, ESC + "info.sw?" + CR);
    ASSERT_TRUE(dev.waitForRequests(3));
    EXPECT_EQ(readUntil(fd, ETX, 200), "");

    // The program closes and reopens its end; the device goes on.
    close(fd);
    dev.setScript({});
    fd = openProgramEnd(dev.ptyPath());
    ASSERT_GE(fd, 0);
    send(fd, ESC + "info.sw?" + CR);
    EXPECT_EQ(readUntil(fd, ETX), STX + "info.sw=SW 4.06" + ETX);
    close(fd);
    dev.stop();
    dev.stop();
}

}  // namespace
