// The dispatcher driven from a worker thread, as the serial layer drives it: synchronised
// handlers on the GUI thread, window handlers through the job queue, and closing from inside
// a notification.
#include "comms/core/tapdsyncqueue.h"
#include "common/pump.h"
#include "comms/dispatch/fakedispatcher.h"

#include <QCoreApplication>
#include <QThread>
#include <gtest/gtest.h>
#include <atomic>
#include <thread>

namespace {

// Runs rounds on a worker thread until stopped.
class Worker {
public:
    explicit Worker(TFakeDispatcher& d) : d_(d), thread_([this] { run(); }) {}
    ~Worker() { stop(); }
    void stop()
    {
        if (!thread_.joinable())
            return;
        stop_ = true;
        TApdSyncQueue::Cancel(&d_);  // a worker blocked in a synchronised call returns
        thread_.join();
        TApdSyncQueue::Resume(&d_);
    }

private:
    void run()
    {
        for (int i = 0; i < 20000 && !stop_; ++i) {
            d_.Round();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    TFakeDispatcher& d_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

TEST(DispatcherThreads, SyncHandlerRunsOnTheGuiThreadAndReadsTheData)
{
    TFakeDispatcher d;
    ASSERT_EQ(d.Open(), 0);
    std::atomic<int> calls{0};
    QByteArray got;
    Qt::HANDLE where = nullptr;
    d.RegisterSyncEventTriggerHandler(&got, [&](uint32_t, uint32_t wParam, int32_t) {
        where = QThread::currentThreadId();
        QByteArray b(int(wParam), 0);
        d.GetBlock(b.data(), int(wParam));
        got += b;
        ++calls;
    });
    d.ChangeLengthTrigger(1);
    Worker w(d);
    d.Feed("abc");
    ASSERT_TRUE(pumpUntil([&] { return got.size() >= 3; }, 5000));
    w.stop();
    EXPECT_EQ(got, "abc");
    EXPECT_EQ(where, QThread::currentThreadId());
    EXPECT_EQ(d.InBuffUsed(), 0);
}

TEST(DispatcherThreads, WindowHandlersFromAWorkerGetEveryMessageInOrder)
{
    TFakeDispatcher d;
    ASSERT_EQ(d.Open(), 0);
    THiddenWindow w1(QStringLiteral("awComWindow")), w2(QStringLiteral("awComWindow"));
    QStringList seen;
    w1.SetWndProc([&](uint32_t, uint32_t wp, int32_t) { seen << QStringLiteral("1:%1").arg(wp); return 0; });
    w2.SetWndProc([&](uint32_t, uint32_t wp, int32_t) { seen << QStringLiteral("2:%1").arg(wp); return 0; });
    d.RegisterWndTriggerHandler(w1.Handle());
    d.RegisterWndTriggerHandler(w2.Handle());
    const int a = d.AddDataTrigger("a", false);
    const int b = d.AddDataTrigger("b", false);
    Worker worker(d);
    d.Feed("ab");
    ASSERT_TRUE(pumpUntil([&] { return seen.size() >= 4; }, 5000));
    worker.stop();
    EXPECT_EQ(seen, (QStringList{QStringLiteral("1:%1").arg(a), QStringLiteral("2:%1").arg(a),
                                 QStringLiteral("1:%1").arg(b), QStringLiteral("2:%1").arg(b)}));
}

TEST(DispatcherThreads, CloseFromInsideAHandlerIsFinishedAfterIt)
{
    TFakeDispatcher d;
    ASSERT_EQ(d.Open(), 0);
    int first = 0, second = 0;
    d.RegisterEventTriggerHandler(&first, [&](uint32_t, uint32_t, int32_t) {
        ++first;
        d.DonePort();
        EXPECT_TRUE(d.ClosePending);
        EXPECT_EQ(d.closes, 1);  // the device is closed at once, the rings stay
        EXPECT_EQ(d.InBuffUsed(), 3);
    });
    d.RegisterEventTriggerHandler(&second, [&](uint32_t, uint32_t, int32_t) { ++second; });
    d.AddDataTrigger("c", false);
    d.Feed("abc");
    d.ExtractData();
    EXPECT_FALSE(d.CheckReceiveTriggers());
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 0);  // told no more once closing
    EXPECT_FALSE(d.EventBusy());
    d.Round();
    EXPECT_EQ(d.InBuffUsed(), 0);  // rings released
    EXPECT_EQ(d.InBuffFree(), 0);
    EXPECT_EQ(d.closes, 1);
}

TEST(DispatcherThreads, CloseWhileASyncHandlerIsPending)
{
    // The GUI thread closes (cancelling its token) while the worker waits for a synchronised
    // handler that the GUI never got round to: nothing deadlocks and the handler never runs.
    auto d = std::make_unique<TFakeDispatcher>();
    ASSERT_EQ(d->Open(), 0);
    std::atomic<int> calls{0};
    d->RegisterSyncEventTriggerHandler(&calls, [&](uint32_t, uint32_t, int32_t) { ++calls; });
    d->ChangeLengthTrigger(1);
    d->Feed("x");
    std::atomic<bool> done{false};
    std::thread t([&] {
        d->Round();
        done = true;
    });
    EXPECT_TRUE(waitWithoutEvents([&] { return TApdSyncQueue::PendingCount() > 0; }));
    EXPECT_FALSE(done);
    TApdSyncQueue::Cancel(d.get());
    t.join();
    TApdSyncQueue::Resume(d.get());
    EXPECT_EQ(calls, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(calls, 0);
    d.reset();
}

TEST(DispatcherThreads, ManyBytesFromTheWorkerArriveInOrder)
{
    TFakeDispatcher d;
    ASSERT_EQ(d.Open(), 0);
    QByteArray got;
    d.RegisterSyncEventTriggerHandler(&got, [&](uint32_t, uint32_t wParam, int32_t) {
        QByteArray b(int(wParam), 0);
        if (d.GetBlock(b.data(), int(wParam)) > 0)
            got += b;
    });
    d.ChangeLengthTrigger(1);
    QByteArray all;
    for (int i = 0; i < 30000; ++i)
        all += char(i * 7);
    Worker w(d);
    for (int i = 0; i < all.size(); i += 1000)
        d.Feed(all.mid(i, 1000));
    ASSERT_TRUE(pumpUntil([&] { return got.size() >= all.size(); }, 20000));
    w.stop();
    EXPECT_EQ(got, all);
}

}  // namespace
