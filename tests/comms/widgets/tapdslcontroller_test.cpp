#include <QObject>
#include <array>
#include <atomic>
#include <QWidget>
#include <gtest/gtest.h>

#include "common/pump.h"
#include "comms/core/eapdexception.h"
#include "comms/serial/tapdcomport.h"
#include "comms/serial/tapdwin32dispatcher.h"
#include "comms/widgets/tapdslcontroller.h"
#include "comms/widgets/tapdstatuslight.h"
#include "peers/ptypair.h"

namespace {

// A port on COM43 (a pty) with its own avail handler, a controller found by its owner and
// an RXD and a TXD lamp.
struct Lights : ::testing::Test {
    PtyPair pty;
    QObject owner;
    TApdComPort* port = nullptr;
    TApdSLController* ctl = nullptr;
    QWidget panel;
    TApdStatusLight rxd{&panel};
    TApdStatusLight txd{&panel};
    int ownAvail = 0;

    void SetUp() override
    {
        ASSERT_TRUE(pty.ok());
        pty.exportAs(43);
        port = new TApdComPort(&owner);
        port->SetComNumber(43);
        port->SetAutoOpen(false);
        port->SetOnTriggerAvail([this](TApdCustomComPort*, uint16_t) { ++ownAvail; });
        ctl = new TApdSLController(&owner);
        ctl->Lights.RXDLight = &rxd;
        ctl->Lights.TXDLight = &txd;
    }
    void TearDown() override
    {
        delete ctl;
        port->SetOpen(false);
        delete port;
    }
};

}  // namespace

TEST_F(Lights, ControllerFindsThePortAndNeedsOne)
{
    EXPECT_EQ(ctl->ComPort(), port);
    EXPECT_EQ(ctl->Version(), "v4.06");
    EXPECT_EQ(ctl->ErrorOffTimeout, 36);
    EXPECT_EQ(ctl->RingOffTimeout, 8);
    TApdSLController lonely;
    EXPECT_THROW(lonely.SetMonitoring(true), EPortNotAssigned);
    EXPECT_FALSE(lonely.Monitoring());
}

TEST_F(Lights, RxdStaysLitWhileDataIsUnreadTxdWhileOutputIsQueued)
{
    port->SetOpen(true);
    ASSERT_TRUE(port->Open());
    ctl->SetMonitoring(true);
    ASSERT_TRUE(ctl->Monitoring());
    EXPECT_FALSE(rxd.Lit());

    ASSERT_TRUE(pty.write("hello"));
    ASSERT_TRUE(pumpUntil([&] { return rxd.Lit(); }, 3000));
    EXPECT_GT(ownAvail, 0);  // the port's own handler still runs
    // Unread data keeps it lit across several off-times.
    pumpFor(300);
    EXPECT_TRUE(rxd.Lit());
    port->FlushInBuffer();
    EXPECT_TRUE(pumpUntil([&] { return !rxd.Lit(); }, 3000));

    port->PutString("ping");
    EXPECT_TRUE(pumpUntil([&] { return txd.Lit(); }, 3000));
    EXPECT_EQ(pty.read(4), "ping");
    EXPECT_TRUE(pumpUntil([&] { return !txd.Lit(); }, 3000));

    // Switched off: the port's own handler is back, the lamps stay dark.
    ctl->SetMonitoring(false);
    const int before = ownAvail;
    ASSERT_TRUE(pty.write("x"));
    EXPECT_TRUE(pumpUntil([&] { return ownAvail > before; }, 3000));
    EXPECT_FALSE(rxd.Lit());
}

TEST_F(Lights, MonitoringAskedForWhileClosedStartsAtOpen)
{
    ctl->SetMonitoring(true);
    EXPECT_FALSE(ctl->Monitoring());
    port->SetOpen(true);
    EXPECT_TRUE(ctl->Monitoring());
    ASSERT_TRUE(pty.write("a"));
    EXPECT_TRUE(pumpUntil([&] { return rxd.Lit(); }, 3000));

    // Closing ends the watch and the next open resumes it.
    port->SetOpen(false);
    EXPECT_FALSE(ctl->Monitoring());
    EXPECT_FALSE(rxd.Lit());
    // A close that waits for the dispatcher completes, and the re-open with it, from the loop.
    port->SetOpen(true);
    EXPECT_TRUE(pumpUntil([&] { return port->Open() && ctl->Monitoring(); }, 3000));
}

TEST_F(Lights, AControllerMadeBeforeItsPortTakesItAndLoadingJoinsItOnce)
{
    QObject form;
    TApdSLController early(&form);
    EXPECT_EQ(early.ComPort(), nullptr);
    auto* later = new TApdComPort(&form);
    later->SetComNumber(43), later->SetAutoOpen(false);
    EXPECT_EQ(early.ComPort(), later);
    early.Loaded();
    later->SetOpen(true);
    early.SetMonitoring(true);
    later->SetOpen(false), later->SetOpen(true);
    EXPECT_TRUE(early.Monitoring());  // the watch resumes
    early.Notification(later, TApdBaseComponent::opRemove);
    EXPECT_EQ(early.ComPort(), nullptr);
    EXPECT_FALSE(early.Monitoring());
    delete later;
}

TEST_F(Lights, MonitoringSwitchedOnAndOffWhileClosedStaysOff)
{
    ctl->SetMonitoring(true);
    ctl->SetMonitoring(false);
    port->SetOpen(true);
    EXPECT_FALSE(ctl->Monitoring());
    ASSERT_TRUE(pty.write("a"));
    EXPECT_TRUE(pumpUntil([&] { return ownAvail > 0; }, 3000));
    EXPECT_FALSE(rxd.Lit());
}

namespace {

// The serial layer with line errors put in by the test (a pty has none of its own); a read
// takes them, as the driver's error read does, so a late read cannot light the lamp again.
class LineErrorDispatcher : public TApdWin32Dispatcher {
public:
    using TApdWin32Dispatcher::TApdWin32Dispatcher;
    static inline std::atomic<int> Pending{0};
    int GetComError(TComStat& Stat) override
    {
        return TApdWin32Dispatcher::GetComError(Stat) | Pending.exchange(0);
    }
};

}  // namespace

TEST_F(Lights, LineErrorsAndBreaksLightForTheirOffTime)
{
    TApdStatusLight error{&panel};
    TApdStatusLight brk{&panel};
    ctl->Lights.ERRORLight = &error;
    ctl->Lights.BREAKLight = &brk;
    ctl->ErrorOffTimeout = 4;  // ticks
    ctl->BreakOffTimeout = 4;
    port->CustomDispatcher = [](QObject* owner) { return new LineErrorDispatcher(owner); };
    port->SetOpen(true);
    ASSERT_TRUE(port->Open());
    ctl->SetMonitoring(true);

    LineErrorDispatcher::Pending = 2;  // overrun
    ASSERT_TRUE(pty.write("a"));
    ASSERT_TRUE(pumpUntil([&] { return error.Lit(); }, 3000));
    EXPECT_FALSE(brk.Lit());
    EXPECT_TRUE(pumpUntil([&] { return !error.Lit(); }, 3000));

    // Re-armed: the next error lights it again.
    LineErrorDispatcher::Pending = 4;
    ASSERT_TRUE(pty.write("b"));
    EXPECT_TRUE(pumpUntil([&] { return error.Lit(); }, 3000));
    EXPECT_TRUE(pumpUntil([&] { return !error.Lit(); }, 3000));

    LineErrorDispatcher::Pending = 16;  // break
    ASSERT_TRUE(pty.write("c"));
    ASSERT_TRUE(pumpUntil([&] { return brk.Lit(); }, 3000));
    EXPECT_FALSE(error.Lit());
    EXPECT_TRUE(pumpUntil([&] { return !brk.Lit(); }, 3000));
}

namespace {

// The serial layer with modem lines set by the test (a pty has none). A change wakes the
// event wait and is reported as the device would: CTS, DSR, carrier, ring and its trailing
// edge, as far as the waiter asked for them.
class ModemLineDispatcher : public TApdWin32Dispatcher {
public:
    using TApdWin32Dispatcher::TApdWin32Dispatcher;
    std::atomic<uint32_t> Lines{0};

    void SetLines(uint32_t lines)
    {
        Lines = lines;
        Device.StopWait();
    }
    int ReadModemLines(uint32_t& lines) override
    {
        lines = Lines.load();
        return 0;
    }
    bool WaitComEvent(uint32_t& EvtMask) override
    {
        const uint32_t wanted = EvtMask;
        TApdWin32Dispatcher::WaitComEvent(EvtMask);
        const uint32_t now = Lines.load();
        const uint32_t changed = now ^ seen;
        seen = now;
        if (changed & MS_CTS_ON) EvtMask |= EV_CTS;
        if (changed & MS_DSR_ON) EvtMask |= EV_DSR;
        if (changed & MS_RLSD_ON) EvtMask |= EV_RLSD;
        if (changed & MS_RING_ON) EvtMask |= (now & MS_RING_ON) ? EV_RING : EV_RING_TE;
        EvtMask &= wanted;
        return EvtMask != 0;
    }

private:
    uint32_t seen = 0;  // comm thread only
};

}  // namespace

TEST_F(Lights, LineLampsFollowTheModemLinesAndRingLightsForItsOffTime)
{
    TApdStatusLight cts{&panel};
    TApdStatusLight dsr{&panel};
    TApdStatusLight dcd{&panel};
    TApdStatusLight ring{&panel};
    ctl->Lights.CTSLight = &cts;
    ctl->Lights.DSRLight = &dsr;
    ctl->Lights.DCDLight = &dcd;
    ctl->Lights.RINGLight = &ring;
    ctl->RingOffTimeout = 4;  // ticks
    ModemLineDispatcher* dev = nullptr;
    port->CustomDispatcher = [&](QObject* owner) { return dev = new ModemLineDispatcher(owner); };
    port->SetOpen(true);
    ASSERT_TRUE(port->Open());
    ASSERT_NE(dev, nullptr);
    dev->Lines = MS_DSR_ON;  // up before the watch starts: shown at once
    ctl->SetMonitoring(true);
    EXPECT_TRUE(dsr.Lit());
    EXPECT_FALSE(cts.Lit());
    EXPECT_FALSE(dcd.Lit());
    EXPECT_FALSE(ring.Lit());

    const auto lamps = [&] {
        return std::array<bool, 3>{cts.Lit(), dsr.Lit(), dcd.Lit()};
    };
    using L = std::array<bool, 3>;
    dev->SetLines(MS_DSR_ON | MS_CTS_ON);
    EXPECT_TRUE(pumpUntil([&] { return lamps() == L{true, true, false}; }, 3000));
    dev->SetLines(MS_CTS_ON | MS_RLSD_ON);
    EXPECT_TRUE(pumpUntil([&] { return lamps() == L{true, false, true}; }, 3000));
    dev->SetLines(MS_RLSD_ON);
    EXPECT_TRUE(pumpUntil([&] { return lamps() == L{false, false, true}; }, 3000));
    dev->SetLines(MS_DSR_ON);
    EXPECT_TRUE(pumpUntil([&] { return lamps() == L{false, true, false}; }, 3000));
    EXPECT_FALSE(ring.Lit());

    // The ring lamp answers the trailing edge of the ring indicator and goes dark by itself;
    // whatever the leading edge did has ended before the line drops.
    dev->SetLines(MS_DSR_ON | MS_RING_ON);
    pumpFor(100);
    ASSERT_TRUE(pumpUntil([&] { return !ring.Lit(); }, 3000));
    dev->SetLines(MS_DSR_ON);
    ASSERT_TRUE(pumpUntil([&] { return ring.Lit(); }, 3000));
    EXPECT_TRUE(pumpUntil([&] { return !ring.Lit(); }, 3000));
    EXPECT_EQ(lamps(), (L{false, true, false}));

    // A second ring lights it again.
    dev->SetLines(MS_DSR_ON | MS_RING_ON);
    pumpFor(100);
    ASSERT_TRUE(pumpUntil([&] { return !ring.Lit(); }, 3000));
    dev->SetLines(MS_DSR_ON);
    EXPECT_TRUE(pumpUntil([&] { return ring.Lit(); }, 3000));
    EXPECT_TRUE(pumpUntil([&] { return !ring.Lit(); }, 3000));

    // Switched off, the lamps go dark and stay so.
    ctl->SetMonitoring(false);
    dev->SetLines(MS_CTS_ON | MS_DSR_ON | MS_RLSD_ON);
    pumpFor(100);
    EXPECT_EQ(lamps(), (L{false, false, false}));
}
