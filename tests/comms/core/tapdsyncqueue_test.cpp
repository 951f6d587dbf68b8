#include "comms/core/tapdsyncqueue.h"
#include "comms/core/thiddenwindow.h"
#include "common/pump.h"

#include <QCoreApplication>
#include <QThread>
#include <gtest/gtest.h>
#include <atomic>
#include <thread>

namespace {

TEST(SyncQueue, OnTheGuiThreadTheJobRunsAtOnce)
{
    int ran = 0;
    EXPECT_EQ(TApdSyncQueue::Call([&] { ++ran; }), TApdSyncQueue::Done);
    EXPECT_EQ(ran, 1);
    int token = 0;
    TApdSyncQueue::Cancel(&token);
    EXPECT_EQ(TApdSyncQueue::Call([&] { ++ran; }, -1, &token), TApdSyncQueue::Cancelled);
    TApdSyncQueue::Resume(&token);
    EXPECT_EQ(ran, 1);
}

TEST(SyncQueue, WorkerWaitsForTheGuiThread)
{
    Qt::HANDLE where = nullptr;
    std::atomic<int> result{-1};
    std::thread t([&] { result = TApdSyncQueue::Call([&] { where = QThread::currentThreadId(); }); });
    ASSERT_TRUE(pumpUntil([&] { return result.load() >= 0; }, 5000));
    t.join();
    EXPECT_EQ(result, TApdSyncQueue::Done);
    EXPECT_EQ(where, QThread::currentThreadId());
}

TEST(SyncQueue, JobNotStartedInTimeIsDroppedAndCancelWakesWaiters)
{
    std::atomic<int> ran{0};
    // The GUI thread does not run its loop while the worker waits.
    std::atomic<int> timedOut{-1};
    std::thread t([&] { timedOut = TApdSyncQueue::Call([&] { ++ran; }, 20); });
    t.join();
    EXPECT_EQ(timedOut, TApdSyncQueue::TimedOut);

    int token = 0;
    std::atomic<int> cancelled{-1};
    std::thread u([&] { cancelled = TApdSyncQueue::Call([&] { ++ran; }, -1, &token); });
    EXPECT_TRUE(waitWithoutEvents([] { return TApdSyncQueue::PendingCount() > 0; }));
    TApdSyncQueue::Cancel(&token);
    u.join();
    EXPECT_EQ(cancelled, TApdSyncQueue::Cancelled);
    // Sticky until resumed.
    std::thread v([&] { cancelled = TApdSyncQueue::Call([&] { ++ran; }, -1, &token); });
    v.join();
    EXPECT_EQ(cancelled, TApdSyncQueue::Cancelled);
    TApdSyncQueue::Resume(&token);
    QCoreApplication::processEvents();
    EXPECT_EQ(ran, 0);
    EXPECT_EQ(TApdSyncQueue::PendingCount(), 0);
}

TEST(SyncQueue, GuiSideWaitDrainsTheQueue)
{
    std::atomic<int> result{-1};
    int ran = 0;
    std::thread t([&] { result = TApdSyncQueue::Call([&] { ++ran; }, 30000); });
    EXPECT_TRUE(waitWithoutEvents([] { return TApdSyncQueue::PendingCount() > 0; }));
    EXPECT_EQ(TApdSyncQueue::Drain(), 1);
    t.join();
    EXPECT_EQ(result, TApdSyncQueue::Done);
    EXPECT_EQ(ran, 1);
}

TEST(HiddenWindows, PostedMessagesArriveInOrderAndDieWithTheWindow)
{
    auto w = std::make_unique<THiddenWindow>(QStringLiteral("awDispatch"));
    QList<uint32_t> got;
    w->SetWndProc([&](uint32_t m, uint32_t wp, int32_t lp) {
        got << m << wp << uint32_t(lp);
        return 0;
    });
    const HWND h = w->Handle();
    EXPECT_NE(h, 0u);
    EXPECT_EQ(THiddenWindow::FromHandle(h), w.get());
    EXPECT_TRUE(PostMessage(h, 0x7E01, 5, (3 << 16) + 0));
    std::thread t([&] { PostMessage(h, 0x7E02, 16, (3 << 16) + 2); });
    t.join();
    EXPECT_TRUE(got.isEmpty());
    QCoreApplication::processEvents();
    EXPECT_EQ(got, (QList<uint32_t>{0x7E01, 5, 3u << 16, 0x7E02, 16, (3u << 16) + 2}));
    PostMessage(h, 0x7E03, 1, 0);
    w.reset();
    QCoreApplication::processEvents();  // dropped, not delivered to a dead window
    EXPECT_FALSE(PostMessage(h, 0x7E03, 1, 0));
    EXPECT_EQ(THiddenWindow::FromHandle(h), nullptr);
}

TEST(HiddenWindows, SendMessageSameThreadAndFromAWorker)
{
    THiddenWindow w(QStringLiteral("awComWindow"));
    w.SetWndProc([](uint32_t m, uint32_t wp, int32_t) { return int32_t(m + wp); });
    EXPECT_EQ(SendMessage(w.Handle(), 10, 5, 0), 15);
    std::atomic<int> answer{-1};
    std::atomic<bool> delivered{false};
    std::thread t([&] {
        int32_t r = 0;
        delivered = SendMessageTimeout(w.Handle(), 20, 2, 0, 5000, &r);
        answer = r;
    });
    ASSERT_TRUE(pumpUntil([&] { return answer.load() >= 0; }, 5000));
    t.join();
    EXPECT_TRUE(delivered);
    EXPECT_EQ(answer, 22);
    std::thread u([&] { delivered = SendMessageTimeout(w.Handle(), 1, 1, 0, 10); });
    u.join();
    EXPECT_FALSE(delivered);  // the GUI thread was busy: timed out
    EXPECT_EQ(SendMessage(0xFFFFFFF0u, 1, 1, 1), 0);
}

}  // namespace
