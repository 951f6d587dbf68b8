#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

#include "comms/core/eapdexception.h"
#include "comms/serial/portlock.h"
#include "comms/serial/tapdcomport.h"
#include "peers/portholder.h"
#include "peers/ptypair.h"

// Our lock file lives as long as our open; a live process's lock file keeps the port (named),
// a dead one's is cleared, a lock folder we may not write stops nothing.
TEST(PortLock, LockFilesOfOursAndOfOthers)
{
    QTemporaryDir dir;
    SetPortLockDirectories({dir.path().toStdString()});
    PtyPair pty(43);
    QFile lock(dir.path() + "/LCK.." + QString::fromStdString(pty.slavePath().substr(5)).replace('/', '_'));
    auto lockText = [](pid_t pid) { return QByteArray::number(pid).rightJustified(10, ' ') + "\n"; };
    TApdComPort port;
    port.SetComNumber(43);
    auto refusal = [&port]() -> QString {
        try {
            port.SetOpen(true), port.SetOpen(false);
        } catch (const EHardware& e) {
            return QString::number(e.ErrorCode) + " " + e.Message;
        }
        return QString();
    };
    port.SetOpen(true);
    EXPECT_TRUE(lock.open(QIODevice::ReadOnly) && lock.readAll() == lockText(getpid()));
    lock.close(), port.SetOpen(false);
    EXPECT_FALSE(lock.exists());
    {
        const peers::PortHolderProcess other("/dev/null");
        ASSERT_TRUE(lock.open(QIODevice::WriteOnly) && lock.write(lockText(other.pid())) == 11);
        lock.close();
        EXPECT_EQ(refusal(), "-2005 ie_Hardware - Specified comport in use: sleep (pid " + QString::number(other.pid()) + ")");
    }
    EXPECT_EQ(refusal(), "");  // its owner is gone
    SetPortLockDirectories({"/nonexistent/qwlview-lock"});
    EXPECT_EQ(refusal(), "");
    SetPortLockDirectories({});
}
