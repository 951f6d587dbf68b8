#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "comms/core/eapdexception.h"
#include "comms/serial/portlock.h"
#include "comms/serial/tapdcomport.h"
#include "peers/portholder.h"
#include "peers/ptypair.h"

namespace {

// The message of the open's "in use" refusal; empty when the port opened.
QString inUseText(TApdComPort& p)
{
    try {
        p.SetOpen(true);
    } catch (const EHardware& e) {
        return e.ErrorCode == -2005 ? e.Message : QString("wrong code");
    }
    p.SetOpen(false);
    return QString();
}

}  // namespace

// Whoever else holds the port, with or without a lock file, keeps it; our own lock file lives
// exactly as long as our open, and a lock folder we may not write stops nothing.
TEST(PortLock, AnotherHolderKeepsThePortAndIsNamed)
{
    QTemporaryDir dir;
    SetPortLockDirectories({dir.path().toStdString()});
    PtyPair pty;
    pty.exportAs(43);
    const QString lockFile = dir.path() + "/LCK.." + QString::fromStdString(pty.slavePath().substr(5)).replace('/', '_');
    TApdComPort port;
    port.SetComNumber(43);
    port.SetOpen(true);
    QFile own(lockFile);
    ASSERT_TRUE(own.open(QIODevice::ReadOnly));
    EXPECT_EQ(own.readAll(), QByteArray::number(getpid()).rightJustified(10, ' ') + "\n");
    port.SetOpen(false);
    EXPECT_FALSE(QFile::exists(lockFile));

    auto lockBy = [&](pid_t pid) {
        QFile f(lockFile);
        return f.open(QIODevice::WriteOnly) && f.write(QByteArray::number(pid).rightJustified(10, ' ') + "\n") == 11;
    };
    {
        peers::PortHolderProcess other("/dev/null");  // a live process named by a lock file
        ASSERT_TRUE(lockBy(other.pid()));
        EXPECT_EQ(inUseText(port), "ie_Hardware - Specified comport in use: sleep (pid " + QString::number(other.pid()) + ")");
        EXPECT_EQ(port.PortState(), psClosed);
    }
    EXPECT_TRUE(inUseText(port).isEmpty());  // its owner is gone: the stale file goes
    {
        peers::PortHolderProcess other(pty.slavePath());  // open without any lock
        EXPECT_EQ(inUseText(port), "ie_Hardware - Specified comport in use: sleep (pid " + QString::number(other.pid()) + ")");
    }
    SetPortLockDirectories({"/nonexistent/qwlview-lock"});
    EXPECT_TRUE(inUseText(port).isEmpty());
    SetPortLockDirectories({});
}
