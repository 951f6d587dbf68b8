#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/pump.h"
#include "platform/singleinstance.h"

namespace {
// Every test uses its own runtime folder, so a running program is never disturbed.
struct RuntimeDir {
    QTemporaryDir dir;
    QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    RuntimeDir() { qputenv("XDG_RUNTIME_DIR", dir.path().toLocal8Bit()); }
    ~RuntimeDir() { qputenv("XDG_RUNTIME_DIR", saved); }
};
using Lock = platform::SingleInstance::Lock;
}  // namespace

TEST(SingleInstance, SecondOwnerIsRefusedUntilTheFirstEnds)
{
    RuntimeDir rt;
    auto first = std::make_unique<platform::SingleInstance>("Laermwartgeraet");
    ASSERT_EQ(first->Acquire(), Lock::Owned);
    EXPECT_TRUE(first->LockPath().startsWith(rt.dir.path()));
    platform::SingleInstance second("Laermwartgeraet");
    EXPECT_EQ(second.Acquire(), Lock::HeldByOther);
    first.reset();
    EXPECT_EQ(second.Acquire(), Lock::Owned);
}

TEST(SingleInstance, HandOverRunsTheShowHandlerOfTheOwner)
{
    RuntimeDir rt;
    platform::SingleInstance owner("Laermwartgeraet");
    ASSERT_EQ(owner.Acquire(), Lock::Owned);
    ASSERT_TRUE(owner.Listen());
    int shown = 0;
    owner.SetShowHandler([&] { ++shown; });

    // The asking side blocks, so it runs on a thread of its own while the owner's loop runs.
    bool answered = false;
    std::unique_ptr<QThread> t(QThread::create([&] {
        platform::SingleInstance other("Laermwartgeraet");
        answered = other.AskOwnerToShow(3000);
    }));
    t->start();
    EXPECT_TRUE(pumpUntil([&] { return t->isFinished(); }, 5000));
    t->wait(1000);
    EXPECT_TRUE(answered);
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(owner.HandOvers(), 1);
}

TEST(SingleInstance, AskingWithoutListeningOwnerFailsQuickly)
{
    RuntimeDir rt;
    platform::SingleInstance other("Laermwartgeraet");
    EXPECT_FALSE(other.AskOwnerToShow(500));
}

// The folder of lock and socket: the runtime folder when it is the user's own and closed to
// others, else a folder of the user's own with mode 700 below the temporary folder. A folder
// there that is a link, open to others or no folder makes no lock, and the reason is told.
TEST(SingleInstance, LockOnlyInAFolderOfTheUsersOwn)
{
    QTemporaryDir base;
    const QByteArray savedRuntime = qgetenv("XDG_RUNTIME_DIR"), savedTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", base.path().toLocal8Bit());
    const QString own = base.filePath(QStringLiteral("qwlview-%1").arg(getuid()));
    const QString good = base.filePath("run"), open = base.filePath("open");
    QDir().mkpath(good);
    QDir().mkpath(open);
    ::chmod(QFile::encodeName(good).constData(), 0700);
    ::chmod(QFile::encodeName(open).constData(), 0777);
    struct Case {
        const char* name;
        QString runtime;
        std::function<void()> prepareOwn;
        QString folder;  // empty: no lock
    } cases[] = {
        {"own runtime folder", good, [] {}, good},
        {"runtime folder open to others: own folder made", open, [] {}, own},
        {"no runtime folder: own folder", QString(), [] {}, own},
        {"own folder a link", QString(), [&] { QFile::link(good, own); }, QString()},
        {"own folder open to others", QString(), [&] { QDir().mkpath(own); ::chmod(QFile::encodeName(own).constData(), 0777); }, QString()},
        {"own folder a file", QString(), [&] { QFile f(own); f.open(QIODevice::WriteOnly); }, QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(own);
        QDir(own).removeRecursively();
        c.prepareOwn();
        qputenv("XDG_RUNTIME_DIR", c.runtime.toLocal8Bit());
        platform::SingleInstance instance("Laermwartgeraet");
        EXPECT_EQ(instance.Acquire(), c.folder.isEmpty() ? Lock::Unavailable : Lock::Owned);
        EXPECT_EQ(instance.LockPath(), c.folder.isEmpty() ? QString() : c.folder + "/Laermwartgeraet.lock");
        EXPECT_EQ(instance.Problem().isEmpty(), !c.folder.isEmpty()) << instance.Problem().toStdString();
        if (c.folder == own)
            EXPECT_EQ(QFileInfo(own).permissions() & 0x0077, 0);
    }
    qputenv("XDG_RUNTIME_DIR", savedRuntime);
    qputenv("TMPDIR", savedTmp);
}
