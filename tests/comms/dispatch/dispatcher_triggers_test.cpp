#include "comms/core/adexcept.h"
#include "comms/core/fakeclock.h"
#include "comms/dispatch/fakedispatcher.h"
#include "comms/dispatch/notifyrecorder.h"

#include <functional>
#include <gtest/gtest.h>

namespace {

struct DispatcherTriggers : ::testing::Test {
    TFakeDispatcher d;
    NotifyRecorder rec;
    void SetUp() override { ASSERT_EQ(d.Open(), 0); }
    void listen(const char* who = "h")
    {
        d.RegisterEventTriggerHandler(who, [this, who](uint32_t m, uint32_t w, int32_t l) { rec.note(who, m, w, l); });
    }
};

TEST_F(DispatcherTriggers, HandlesAreMultiplesOfEightAndStatusCarriesItsKind)
{
    EXPECT_EQ(d.AddStatusTrigger(stOutBuffFree), 11);
    EXPECT_EQ(ClassifyStatusTrigger(11), 3);
    EXPECT_EQ(d.AddTimerTrigger(), 16);
    EXPECT_EQ(d.AddDataTrigger("x", false), 24);
    EXPECT_EQ(d.AddStatusTrigger(6), ecBadArgument);
    EXPECT_EQ(d.RemoveTrigger(999), ecBadTriggerHandle);
    EXPECT_EQ(d.SetTimerTrigger(24, 5, true), ecBadTriggerHandle);  // a data trigger
    EXPECT_EQ(d.SetStatusTrigger(16, 5, true), ecBadTriggerHandle);  // a timer trigger
    d.RemoveAllTriggers();
    EXPECT_EQ(d.AddTimerTrigger(), 8);
}

TEST_F(DispatcherTriggers, HandlesAreReusedAfter4095AndRunOutAt512)
{
    for (int i = 1; i < 4096; ++i)
        ASSERT_EQ(d.AddTimerTrigger(), i * 8);
    // All in use up to 4096: nothing free below it.
    EXPECT_EQ(d.AddTimerTrigger(), ecNoMoreTriggers);
    ASSERT_EQ(d.RemoveTrigger(40), 0);
    ASSERT_EQ(d.RemoveTrigger(16), 0);
    EXPECT_EQ(d.AddTimerTrigger(), 16);
    EXPECT_EQ(d.AddTimerTrigger(), 40);
    EXPECT_EQ(d.AddTimerTrigger(), ecNoMoreTriggers);
    // Handles above 4096 are never issued again.
    ASSERT_EQ(d.RemoveTrigger(8000), 0);
    EXPECT_EQ(d.AddTimerTrigger(), ecNoMoreTriggers);
}

TEST_F(DispatcherTriggers, DataTriggerLengthLimit)
{
    EXPECT_GT(d.AddDataTrigger(QByteArray(21, 'a'), false), 0);
    EXPECT_EQ(d.AddDataTrigger(QByteArray(22, 'a'), false), ecTriggerTooLong);
}

TEST_F(DispatcherTriggers, DataTriggerFoundAcrossBatchesAndInsideFailedPartialMatch)
{
    listen();
    const int aab = d.AddDataTrigger("aab", false);
    d.Feed("xa");
    d.Round();
    d.Feed("a");
    d.Round();
    EXPECT_TRUE(rec.lines.isEmpty());
    d.Feed("ab");  // "xaaab": the match starts inside the failed one
    d.Round();
    ASSERT_EQ(rec.lines, QStringList{QStringLiteral("h:7e02:%1:3").arg(aab)});
    // Nothing read by the handler: the bytes stay.
    EXPECT_EQ(d.InBuffUsed(), 5);
}

TEST_F(DispatcherTriggers, CaseBlindTrigger)
{
    listen();
    const int ok = d.AddDataTrigger("ok", true);
    const int exact = d.AddDataTrigger("ok", false);
    d.Feed("OK o K oK");
    d.Round();
    EXPECT_EQ(rec.lines, (QStringList{QStringLiteral("h:7e02:%1:2").arg(ok), QStringLiteral("h:7e02:%1:2").arg(ok)}));
    rec.lines.clear();
    d.Feed("ok");
    d.Round();
    // Both end at the same byte: the later-added is told first.
    EXPECT_EQ(rec.lines,
              (QStringList{QStringLiteral("h:7e02:%1:2").arg(exact), QStringLiteral("h:7e02:%1:2").arg(ok)}));
}

TEST_F(DispatcherTriggers, LengthTriggerBeforeDataTrigger)
{
    listen();
    d.ChangeLengthTrigger(10);
    const int h = d.AddDataTrigger("END", false);
    d.Feed("abcdEND");
    d.Round();
    EXPECT_EQ(rec.lines, QStringList{QStringLiteral("h:7e02:%1:3").arg(h)});

    rec.lines.clear();
    d.FlushInBuffer();
    d.Feed("123456789012END");
    d.Round();
    ASSERT_GE(rec.lines.size(), 2);
    EXPECT_EQ(rec.lines[0], QStringLiteral("h:7e01:12:0"));
    EXPECT_EQ(rec.lines[1], QStringLiteral("h:7e02:%1:3").arg(h));
}

TEST_F(DispatcherTriggers, LengthTriggerAloneFiresOncePerNewData)
{
    listen();
    d.ChangeLengthTrigger(4);
    d.Feed("abc");
    d.Round();
    EXPECT_TRUE(rec.lines.isEmpty());
    d.Feed("d");
    d.Round();
    d.Round();
    EXPECT_EQ(rec.lines, QStringList{QStringLiteral("h:7e01:4:0")});
    EXPECT_EQ(d.RemoveTrigger(LenTriggerHandle), 0);
    d.Feed("efgh");
    d.Round();
    EXPECT_EQ(rec.lines.size(), 1);
}

TEST_F(DispatcherTriggers, TwoHandlersReadingThreeAndFiveBytes)
{
    QByteArray seen3, seen5;
    d.RegisterEventTriggerHandler(&seen3, [&](uint32_t m, uint32_t, int32_t) {
        char buf[3];
        if (m == wmTriggerData && d.GetBlock(buf, 3) == 3)
            seen3 = QByteArray(buf, 3);
    });
    d.RegisterProcTriggerHandler(nullptr);  // a record without a procedure is skipped
    d.RegisterEventTriggerHandler(&seen5, [&](uint32_t m, uint32_t, int32_t) {
        char buf[5];
        EXPECT_EQ(d.InBuffUsed(), 8);  // the first handler's read did not consume
        if (m == wmTriggerData && d.GetBlock(buf, 5) == 5)
            seen5 = QByteArray(buf, 5);
    });
    d.AddDataTrigger("!", false);
    d.Feed("1234567!");
    d.Round();
    EXPECT_EQ(seen3, "123");
    EXPECT_EQ(seen5, "12345");
    EXPECT_EQ(d.InBuffUsed(), 3);
    char c;
    ASSERT_EQ(d.GetChar(c), 0);
    EXPECT_EQ(c, '6');
}

TEST_F(DispatcherTriggers, AvailNotReadCompletelyReportsFalse)
{
    d.RegisterEventTriggerHandler(this, [&](uint32_t, uint32_t, int32_t) {
        char c;
        d.GetChar(c);
    });
    d.ChangeLengthTrigger(3);
    d.Feed("abcdef");
    d.ExtractData();
    EXPECT_FALSE(d.CheckReceiveTriggers());
    EXPECT_EQ(d.InBuffUsed(), 5);
}

TEST_F(DispatcherTriggers, HandlerRemovingItselfIsPurgedAfterTheNotification)
{
    int calls = 0, other = 0;
    d.RegisterEventTriggerHandler(&calls, [&](uint32_t, uint32_t, int32_t) {
        ++calls;
        d.DeregisterEventTriggerHandler(&calls);
        d.DeregisterEventTriggerHandler(&calls);  // a second time finds nothing more
    });
    d.RegisterEventTriggerHandler(&other, [&](uint32_t, uint32_t, int32_t) { ++other; });
    d.AddDataTrigger("x", false);
    d.Feed("xx");
    d.Round();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(other, 2);
    EXPECT_TRUE(d.HandlersInstalled);
    d.DeregisterEventTriggerHandler(&other);
    EXPECT_FALSE(d.HandlersInstalled);
}

TEST_F(DispatcherTriggers, HandlersAreToldEventsThenProceduresThenWindows)
{
    static NotifyRecorder* sink = nullptr;
    sink = &rec;
    THiddenWindow w1(QStringLiteral("awComWindow")), w2(QStringLiteral("awComWindow"));
    w1.SetWndProc([&](uint32_t m, uint32_t wp, int32_t lp) { rec.note("w1", m, wp, lp); return 0; });
    w2.SetWndProc([&](uint32_t m, uint32_t wp, int32_t lp) { rec.note("w2", m, wp, lp); return 0; });
    d.RegisterWndTriggerHandler(w1.Handle());
    d.RegisterProcTriggerHandler([](uint32_t m, uint32_t w, int32_t l) { sink->note("p", m, w, l); });
    listen("e1");
    d.RegisterWndTriggerHandler(w2.Handle());
    listen("e2");
    const int t = d.AddTimerTrigger();
    {
        FakeClock clock(1000);
        d.SetTimerTrigger(t, 2, true);
        clock.advanceTicks(3);
        d.Round();
    }
    const QString tail = QStringLiteral(":7e03:%1:0").arg(t);
    EXPECT_EQ(rec.lines, (QStringList{"e1" + tail, "e2" + tail, "p" + tail, "w1" + tail, "w2" + tail}));
}

TEST_F(DispatcherTriggers, OneWindowIsToldOnlyWhenThePortAsksForIt)
{
    THiddenWindow w(QStringLiteral("awComWindow"));
    int got = 0;
    int32_t lParam = 0;
    w.SetWndProc([&](uint32_t, uint32_t, int32_t lp) { ++got; lParam = lp; return 0; });
    d.RegisterWndTriggerHandler(w.Handle());
    d.UpdateHandlerFlags(fuKeepPort);
    EXPECT_FALSE(d.HandlersInstalled);
    d.ChangeLengthTrigger(1);
    d.Feed("a");
    d.Round();
    EXPECT_EQ(got, 0);
    d.UpdateHandlerFlags(fuEnablePort);
    d.Feed("b");
    d.Round();
    EXPECT_EQ(got, 1);
    EXPECT_EQ(uint32_t(lParam), uint32_t(d.Handle) << 16);
    d.UpdateHandlerFlags(fuDisablePort);
    EXPECT_FALSE(d.HandlersInstalled);
}

TEST_F(DispatcherTriggers, TimerTriggersOnTheFakeClock)
{
    FakeClock clock(5000);
    listen();
    const int a = d.AddTimerTrigger();
    const int b = d.AddTimerTrigger();
    ASSERT_EQ(d.SetTimerTrigger(a, 10, true), 0);
    ASSERT_EQ(d.SetTimerTrigger(b, 4, true), 0);
    int32_t left = -1;
    ASSERT_EQ(d.TimerTicksRemaining(a, left), 0);
    EXPECT_EQ(left, 10);
    clock.advanceTicks(4);
    d.Round();
    EXPECT_TRUE(rec.lines.isEmpty());  // expired only after its last tick
    clock.advanceTicks(1);
    d.Round();
    EXPECT_EQ(rec.lines, QStringList{QStringLiteral("h:7e03:%1:0").arg(b)});
    ASSERT_EQ(d.ExtendTimer(a, 5), 0);
    clock.advanceTicks(6);
    d.Round();
    EXPECT_EQ(rec.lines.size(), 1);
    clock.advanceTicks(5);
    d.Round();
    d.Round();  // inactive after firing
    EXPECT_EQ(rec.lines.size(), 2);
    EXPECT_EQ(rec.lines[1], QStringLiteral("h:7e03:%1:0").arg(a));
    // Re-activation with 0 ticks keeps the last duration; deactivation stops it.
    ASSERT_EQ(d.SetTimerTrigger(b, 0, true), 0);
    ASSERT_EQ(d.TimerTicksRemaining(b, left), 0);
    EXPECT_EQ(left, 4);
    ASSERT_EQ(d.SetTimerTrigger(b, 0, false), 0);
    clock.advanceTicks(50);
    d.Round();
    EXPECT_EQ(rec.lines.size(), 2);
}

TEST_F(DispatcherTriggers, StatusTriggers)
{
    listen();
    const int freeT = d.AddStatusTrigger(stOutBuffFree);
    const int usedT = d.AddStatusTrigger(stOutBuffUsed);
    const int sentT = d.AddStatusTrigger(stOutSent);
    const int lineT = d.AddStatusTrigger(stLine);
    const int modemT = d.AddStatusTrigger(stModem);
    ASSERT_EQ(d.PutBlock(QByteArray(1000, 'x').constData(), 1000), 0);
    ASSERT_EQ(d.SetStatusTrigger(freeT, 3500, true), 0);
    ASSERT_EQ(d.SetStatusTrigger(usedT, 100, true), 0);
    ASSERT_EQ(d.SetStatusTrigger(sentT, 0, true), 0);
    ASSERT_EQ(d.SetStatusTrigger(lineT, 4, true), 0);   // framing
    ASSERT_EQ(d.SetStatusTrigger(modemT, 0x10, true), 0);  // CTS, as the status lights arm it
    d.Round();
    EXPECT_EQ(rec.lines, QStringList{QStringLiteral("h:7e04:%1:0").arg(sentT)});
    rec.lines.clear();
    d.Drain();
    d.lineErrors = 8;  // framing as the device reports it
    d.RefreshStatus();
    d.Round();
    EXPECT_EQ(rec.lines, (QStringList{QStringLiteral("h:7e04:%1:4096").arg(freeT),
                                      QStringLiteral("h:7e04:%1:0").arg(usedT),
                                      QStringLiteral("h:7e04:%1:0").arg(lineT)}));
    rec.lines.clear();
    // A fired trigger stays quiet until armed again and the hits are reset.
    d.SetStatusTrigger(freeT, 10, true);
    d.Round();
    EXPECT_TRUE(rec.lines.isEmpty());
    d.ResetStatusHits();
    d.Round();
    EXPECT_EQ(rec.lines, QStringList{QStringLiteral("h:7e04:%1:4096").arg(freeT)});
    rec.lines.clear();
    d.ModemStatus = 0x10;  // CTS came up
    d.Round();
    EXPECT_EQ(rec.lines, QStringList{QStringLiteral("h:7e04:%1:0").arg(modemT)});
}

TEST_F(DispatcherTriggers, SaveAndRestoreTriggers)
{
    listen();
    d.ChangeLengthTrigger(50);
    const int h = d.AddDataTrigger("ab", false);
    TTriggerSave save;
    d.SaveTriggers(save);
    d.RemoveAllTriggers();
    d.AddDataTrigger("zz", false);
    d.Feed("ab");
    d.Round();
    EXPECT_TRUE(rec.lines.isEmpty());
    d.RestoreTriggers(save);
    EXPECT_EQ(d.LenTrigger, 50);
    TApdBaseDispatcher::ClearSaveBuffers(save);
    EXPECT_TRUE(save.DataTriggers.empty());
    TTriggerType type;
    TDataTrigger copy;
    ASSERT_EQ(d.FindTriggerFromHandle(h, false, type, nullptr, &copy), 0);
    EXPECT_EQ(type, ttData);
    EXPECT_STREQ(copy.Str, "ab");
    d.Feed("xab");
    d.Round();
    EXPECT_EQ(rec.lines, QStringList{QStringLiteral("h:7e02:%1:2").arg(h)});
    EXPECT_EQ(d.FindTriggerFromHandle(LenTriggerHandle, false, type), 0);
    EXPECT_EQ(type, ttAvail);
}

}  // namespace

// Line errors the device reports to the output path (a write, a look at the output queue)
// are kept for the line-status checks like those the dispatch thread reads.
TEST_F(DispatcherTriggers, LineErrorsReadOnTheOutputPathReachLastError)
{
    const std::pair<const char*, std::function<void()>> paths[] = {
        {"PutBlock", [this] { d.PutBlock("x", 1); }},
        {"OutBuffUsed", [this] { d.OutBuffUsed(); }},
        {"OutBuffFree", [this] { d.OutBuffFree(); }},
    };
    for (const auto& [name, call] : paths) {
        d.LastError = 0;
        d.lineErrors = 4 | 2;  // parity and overrun
        call();
        EXPECT_EQ(d.LastError.load(), 6u) << name;
    }
}
