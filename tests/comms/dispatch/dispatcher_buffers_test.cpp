#include "comms/core/adexcept.h"
#include "comms/dispatch/fakedispatcher.h"
#include "comms/dispatch/notifyrecorder.h"

#include <gtest/gtest.h>

namespace {

QByteArray pattern(int n, int offset = 0)
{
    QByteArray b(n, 0);
    for (int i = 0; i < n; ++i)
        b[i] = char('A' + (i + offset) % 26);
    return b;
}

struct DispatcherBuffers : ::testing::Test {
    TFakeDispatcher d;
    void SetUp() override { ASSERT_EQ(d.Open(4096, 1000), 0); }
    QByteArray take(int n)
    {
        QByteArray b(n, 0);
        EXPECT_EQ(d.GetBlock(b.data(), n), n);
        return b;
    }
};

TEST_F(DispatcherBuffers, GetAndPeekAllOrNothing)
{
    d.Feed("hello");
    d.Round();
    EXPECT_TRUE(d.CharReady());
    char buf[8];
    EXPECT_EQ(d.GetBlock(buf, 6), ecBufferIsEmpty);
    EXPECT_EQ(d.InBuffUsed(), 5);
    char c;
    EXPECT_EQ(d.PeekChar(c, 5), 0);
    EXPECT_EQ(c, 'o');
    EXPECT_EQ(d.PeekChar(c, 6), ecBufferIsEmpty);
    EXPECT_EQ(d.PeekChar(c, 0), ecBufferIsEmpty);
    EXPECT_EQ(d.PeekBlock(buf, 2), 2);
    EXPECT_EQ(QByteArray(buf, 2), "he");
    EXPECT_EQ(take(5), "hello");
    EXPECT_EQ(d.GetChar(c), ecBufferIsEmpty);
    EXPECT_FALSE(d.CharReady());
}

TEST_F(DispatcherBuffers, FullRingStopsTakingAndKeepsTheRest)
{
    d.Feed(pattern(10000));
    d.Round();
    EXPECT_EQ(d.InBuffUsed(), DispatchBufferSize);
    EXPECT_EQ(d.InBuffFree(), 0);
    EXPECT_EQ(d.Waiting(), 10000 - DispatchBufferSize);
    const int reads = d.reads;
    EXPECT_TRUE(d.ExtractData());  // full: nothing is read
    EXPECT_EQ(d.reads, reads);
    EXPECT_EQ(take(100), pattern(100));
    d.Round();
    EXPECT_EQ(d.InBuffUsed(), DispatchBufferSize);
    EXPECT_EQ(d.Waiting(), 10000 - DispatchBufferSize - 100);
    EXPECT_EQ(take(DispatchBufferSize), pattern(DispatchBufferSize, 100));
    EXPECT_EQ(d.InBuffUsed(), 0);
    EXPECT_EQ(d.InBuffFree(), DispatchBufferSize);
}

TEST_F(DispatcherBuffers, WrapAroundTheRingEnd)
{
    d.Feed(pattern(8000));
    d.Round();
    take(8000);
    // 192 bytes fit before the end, the rest lands at the start in a second read.
    d.Feed(pattern(500, 3));
    const int reads = d.reads;
    d.Round();
    EXPECT_EQ(d.reads - reads, 2);
    EXPECT_EQ(d.InBuffUsed(), 500);
    char c;
    ASSERT_EQ(d.PeekChar(c, 193), 0);
    EXPECT_EQ(c, pattern(500, 3)[192]);
    EXPECT_EQ(take(500), pattern(500, 3));
}

TEST_F(DispatcherBuffers, ShortDeviceReadSkipsTheSecondPart)
{
    d.Feed(pattern(8100));
    d.Round();
    take(8100);
    d.maxRead = 50;
    d.Feed(pattern(300));
    const int reads = d.reads;
    d.ExtractData();
    EXPECT_EQ(d.reads - reads, 1);
    EXPECT_EQ(d.InBuffUsed(), 50);
    d.maxRead = INT_MAX;
    d.Round();
    EXPECT_EQ(take(300), pattern(300));
}

TEST_F(DispatcherBuffers, DataTriggerAcrossTheWrap)
{
    NotifyRecorder rec;
    d.RegisterEventTriggerHandler(&rec, [&](uint32_t m, uint32_t w, int32_t l) { rec.note("h", m, w, l); });
    const int h = d.AddDataTrigger("WRAP", false);
    d.Feed(QByteArray(8190, '.'));
    d.Round();
    take(8190);
    d.Feed("xxWRAPyy");  // "WR" before the end, "AP" after it
    d.Round();
    EXPECT_EQ(rec.lines, QStringList{QStringLiteral("h:7e02:%1:4").arg(h)});
}

TEST_F(DispatcherBuffers, FlushInBufferEmptiesTheRingAndTheDevice)
{
    d.AddDataTrigger("abc", false);
    d.Feed("xxab");
    d.Round();
    d.Feed("more");
    EXPECT_EQ(d.FlushInBuffer(), 0);
    EXPECT_EQ(d.flushes[1], 1);
    EXPECT_EQ(d.InBuffUsed(), 0);
    EXPECT_EQ(d.Waiting(), 0);
    // The partial match was forgotten.
    NotifyRecorder rec;
    d.RegisterEventTriggerHandler(&rec, [&](uint32_t m, uint32_t w, int32_t l) { rec.note("h", m, w, l); });
    d.Feed("c");
    d.Round();
    EXPECT_TRUE(rec.lines.isEmpty());
    // Bytes in the ring that no scan has reached yet go with the flush too.
    d.Feed("abc");
    d.ExtractData();
    d.FlushInBuffer();
    d.Round();
    EXPECT_TRUE(rec.lines.isEmpty());
}

// A wait of the owner and a notification each hold the dispatcher busy on their own.
TEST_F(DispatcherBuffers, AWaitAndANotificationDoNotEndEachOthersBusyState)
{
    bool waitHeld = false, busyInside = false, old;
    d.RegisterEventTriggerHandler(this, [&](uint32_t, uint32_t, int32_t) {
        d.SetEventBusy(old, waitHeld);  // a wait starts or ends inside the handler
        busyInside = d.EventBusy();
    });
    for (const bool heldBefore : {false, true}) {
        d.SetEventBusy(old, heldBefore);
        waitHeld = !heldBefore;
        d.SendNotify(wmTriggerTimer, 8, 0);
        EXPECT_TRUE(busyInside && d.EventBusy() == waitHeld) << heldBefore;
    }
}

TEST_F(DispatcherBuffers, FlushDuringANotificationConsumesEverything)
{
    d.RegisterEventTriggerHandler(this, [&](uint32_t, uint32_t, int32_t) {
        char c;
        d.GetChar(c);
        d.FlushInBuffer();
    });
    d.AddDataTrigger("!", false);
    d.Feed("abc!def");
    d.Round();
    EXPECT_EQ(d.InBuffUsed(), 0);
}

TEST_F(DispatcherBuffers, PutBlockUpToTheFreeSpace)
{
    EXPECT_EQ(d.PutBlock(nullptr, 0), 0);
    EXPECT_EQ(d.PutBlock(pattern(600).constData(), 600), 0);
    EXPECT_EQ(d.OutBuffUsed(), 600);
    EXPECT_EQ(d.OutBuffFree(), 400);
    EXPECT_EQ(d.PutBlock(pattern(401).constData(), 401), ecOutputBufferTooSmall);
    EXPECT_EQ(d.PutBlock(pattern(400, 600).constData(), 400), 0);  // exactly the free space: full
    EXPECT_EQ(d.OutRingFree(), 0);
    EXPECT_EQ(d.PutChar('z'), ecOutputBufferTooSmall);
    EXPECT_EQ(d.Drain(), pattern(1000));
    // The output ring wraps too.
    EXPECT_EQ(d.PutString("hello"), 0);
    EXPECT_EQ(d.PutBlock(pattern(995).constData(), 995), 0);
    EXPECT_EQ(d.Drain(), pattern(1000) + "hello" + pattern(995));
    d.failWrite = true;
    EXPECT_EQ(d.PutChar('x'), ecPutBlockFail);
    int in, out;
    d.BufferSizes(in, out);
    EXPECT_EQ(in, 4096);
    EXPECT_EQ(out, 1000);
}

TEST_F(DispatcherBuffers, FlushOutBufferGoesToTheDevice)
{
    d.PutString("abc");
    EXPECT_EQ(d.FlushOutBuffer(), 0);
    EXPECT_EQ(d.flushes[0], 1);
    EXPECT_EQ(d.OutBuffUsed(), 0);
}

TEST_F(DispatcherBuffers, DataPointersAndOptions)
{
    int x = 0;
    void* p = nullptr;
    d.SetDataPointer(&x, 2);
    EXPECT_EQ(d.GetDataPointer(p, 2), 0);
    EXPECT_EQ(p, &x);
    EXPECT_EQ(d.GetDataPointer(p, 0), ecBadArgument);
    EXPECT_EQ(d.GetDataPointer(p, 4), ecBadArgument);
    d.OptionsOn(128 | 4);
    EXPECT_TRUE(d.OptionsAreOn(128));
    d.OptionsOff(4);
    EXPECT_FALSE(d.OptionsAreOn(4 | 128));
}

TEST(DispatcherPortList, SlotsAreReusedAndComHandlesFound)
{
    auto a = std::make_unique<TFakeDispatcher>();
    auto b = std::make_unique<TFakeDispatcher>();
    const int count = TApdBaseDispatcher::PortListCount();
    EXPECT_EQ(TApdBaseDispatcher::PortListAt(b->Handle), b.get());
    const int aHandle = a->Handle;
    a->ComHandle = 41;
    b->ComHandle = 42;
    EXPECT_EQ(TApdBaseDispatcher::GetTComRecPtr<TFakeDispatcher>(42), b.get());
    EXPECT_EQ(TApdBaseDispatcher::GetTComRecPtr<TApdBaseDispatcher>(41), a.get());
    EXPECT_EQ(TApdBaseDispatcher::GetTComRecPtr<TFakeDispatcher>(43), nullptr);
    a.reset();
    EXPECT_EQ(TApdBaseDispatcher::GetTComRecPtr<TFakeDispatcher>(41), nullptr);  // cache cleared
    TFakeDispatcher c;
    EXPECT_EQ(c.Handle, aHandle);
    b.reset();
    EXPECT_LE(TApdBaseDispatcher::PortListCount(), count);
}

}  // namespace
