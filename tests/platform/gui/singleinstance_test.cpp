#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "common/pump.h"
#include "platform/gui/singleinstance.h"

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

// Lock and socket lie in the runtime folder when it is the user's own and closed to others,
// else in a folder of the user's own (mode 700) below TMPDIR; one that is a link, open to
// others or no folder makes no lock, and says why.
TEST(SingleInstance, LockOnlyInAFolderOfTheUsersOwn)
{
    QTemporaryDir base;
    const QByteArray saved[2] = {qgetenv("XDG_RUNTIME_DIR"), qgetenv("TMPDIR")};
    qputenv("TMPDIR", base.path().toLocal8Bit());
    const QString own = base.filePath(QStringLiteral("qwlview-%1").arg(getuid())), open = base.filePath("open");
    QDir().mkpath(open);
    ::chmod(QFile::encodeName(open).constData(), 0777);
    const std::function<void()> linked = [&] { QFile::link(open, own); };
    const std::function<void()> opened = [&] { QDir().mkpath(own), ::chmod(QFile::encodeName(own).constData(), 0777); };
    const struct { QString runtime; std::function<void()> makeOwn; QString folder; } cases[] = {
        {base.path(), {}, base.path()}, {open, {}, own}, {{}, linked, {}}, {{}, opened, {}}};
    for (const auto& c : cases) {
        QFile::remove(own), QDir(own).removeRecursively();
        if (c.makeOwn)
            c.makeOwn();
        qputenv("XDG_RUNTIME_DIR", c.runtime.toLocal8Bit());
        platform::SingleInstance instance("L");
        EXPECT_EQ(instance.Acquire(), c.folder.isEmpty() ? Lock::Unavailable : Lock::Owned) << c.runtime.toStdString();
        EXPECT_EQ(instance.LockPath(), c.folder.isEmpty() ? QString() : c.folder + "/L.lock");
        EXPECT_EQ(instance.Problem().isEmpty(), !c.folder.isEmpty());
        EXPECT_TRUE(c.folder != own || (QFileInfo(own).permissions() & 0x0077) == 0);  // made closed to others
    }
    qputenv("XDG_RUNTIME_DIR", saved[0]), qputenv("TMPDIR", saved[1]);
}
