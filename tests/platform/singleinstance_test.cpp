#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

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
}  // namespace

TEST(SingleInstance, SecondOwnerIsRefusedUntilTheFirstEnds)
{
    RuntimeDir rt;
    auto first = std::make_unique<platform::SingleInstance>("Laermwartgeraet");
    ASSERT_TRUE(first->Acquire());
    EXPECT_TRUE(first->LockPath().startsWith(rt.dir.path()));
    platform::SingleInstance second("Laermwartgeraet");
    EXPECT_FALSE(second.Acquire());
    first.reset();
    EXPECT_TRUE(second.Acquire());
}

TEST(SingleInstance, HandOverRunsTheShowHandlerOfTheOwner)
{
    RuntimeDir rt;
    platform::SingleInstance owner("Laermwartgeraet");
    ASSERT_TRUE(owner.Acquire());
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
