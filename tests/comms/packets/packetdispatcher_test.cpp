// Packets on a real dispatcher (in-memory device): the synchronised data handler, what it
// takes from the ring, the capture timer as a dispatcher timer trigger, the dispatch log.
#include "comms/packets/tapddatapacket.h"
#include "comms/packets/tapddatapacketmanager.h"
#include "comms/core/tapdsyncqueue.h"
#include "comms/core/fakeclock.h"
#include "comms/dispatch/fakedispatcher.h"
#include "comms/packets/dispatcherfeed.h"
#include "comms/packets/fakepacketfeed.h"
#include "common/pump.h"

#include <QThread>
#include <atomic>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

namespace {


struct PacketRecord {
    int subType;
    std::string bytes;
};

std::vector<PacketRecord> packetRecords(TFakeDispatcher& d)
{
    std::vector<PacketRecord> out;
    TDispatchRecord r {};
    std::vector<char> buf(70000);
    uint32_t len = 0;
    for (int guard = 0; guard < 10000 && !d.PopLastDLEntry(r, buf.data(), len); ++guard)
        if (r.DispatchType == dtPacket)
            out.push_back({r.DispatchSubType, std::string(buf.data(), len)});
    return out;
}

class PacketOnDispatcher : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(d.Open(), 0);
        d.ChangeLengthTrigger(1);
        feed = new DispatcherFeed(&d);
        p.setObjectName("pkt");
        p.SetStartString("\x02");
        p.SetEndCond({ecString});
        p.SetEndString("\x03");
        p.SetIncludeStrings(false);
        p.OnStringPacket = [this](QObject*, const QString& s) { pieces.push_back(s.toStdString()); };
        p.OnTimeout = [this](QObject*) { ++timeouts; };
        feed->Insert(&p);
    }
    void TearDown() override
    {
        feed->Remove(&p);
        flushPostedFrees();
    }

    TFakeDispatcher d;
    DispatcherFeed* feed = nullptr;
    TApdDataPacket p;
    std::vector<std::string> pieces;
    int timeouts = 0;
};

TEST_F(PacketOnDispatcher, HandlerTakesTheBytesAndDeliversOnThisThread)
{
    p.SetEnabled(true);
    d.Feed("xx\x02k=1\x03\x02k=");
    d.Round();
    EXPECT_EQ(pieces, std::vector<std::string> {"k=1"});
    EXPECT_EQ(d.InBuffUsed(), 0) << "the manager took everything from the ring";
    d.Feed("2\x03");
    d.Round();
    EXPECT_EQ(pieces, (std::vector<std::string> {"k=1", "k=2"}));
}

TEST_F(PacketOnDispatcher, CaptureTimeoutIsADispatcherTimer)
{
    FakeClock clock(10000);
    p.SetTimeOut(4);
    p.SetEnabled(true);
    d.Feed("\x02half");
    d.Round();
    clock.advanceTicks(3);
    d.Round();
    EXPECT_EQ(timeouts, 0);
    clock.advanceTicks(2);
    d.Round();
    EXPECT_EQ(timeouts, 1);
    EXPECT_FALSE(p.Enabled());
    clock.advanceTicks(10);
    d.Round();
    EXPECT_EQ(timeouts, 1);

    // A packet delivered in time disarms the timer: no late time-out.
    p.SetEnabled(true);
    d.Feed("\x02ok\x03");
    d.Round();
    clock.advanceTicks(10);
    d.Round();
    EXPECT_EQ(pieces, std::vector<std::string> {"ok"});
    EXPECT_EQ(timeouts, 1);
}

TEST_F(PacketOnDispatcher, DispatchLogRecordsThePacketSteps)
{
    d.InitDispatchLogging(65536);
    p.SetEnabled(true);
    d.Feed("\x02v\x03");
    d.Round();
    const auto recs = packetRecords(d);
    ASSERT_FALSE(recs.empty());
    EXPECT_EQ(recs.front().subType, dstEnable);
    EXPECT_EQ(recs.front().bytes, "Packet:pkt");
    bool sawStart = false, sawPacket = false, sawCollecting = false;
    for (const PacketRecord& r : recs) {
        sawStart |= r.subType == dstStartStr && r.bytes == "\x02";
        sawPacket |= r.subType == dstStringPacket && r.bytes == "v";
        sawCollecting |= r.subType == dstCollecting;
    }
    EXPECT_TRUE(sawStart);
    EXPECT_TRUE(sawPacket);
    EXPECT_TRUE(sawCollecting);
}

// The dispatcher runs on a thread of its own; the packet's event still reaches this thread,
// one synchronised call at a time.
TEST_F(PacketOnDispatcher, WorkerThreadDeliversThroughTheSyncQueue)
{
    std::atomic<bool> offGui {false};
    Qt::HANDLE gui = QThread::currentThreadId();
    p.OnStringPacket = [&](QObject*, const QString& s) {
        offGui = offGui || QThread::currentThreadId() != gui;
        pieces.push_back(s.toStdString());
    };
    p.SetEnabled(true);
    std::atomic<bool> stop {false};
    std::thread worker([&] {
        for (int i = 0; i < 200 && !stop; ++i) {
            d.Feed(QByteArray("\x02") + QByteArray::number(i) + "\x03");
            d.Round();
        }
    });
    const bool done = pumpUntil([&] { return pieces.size() == 200; }, 10000);
    stop = true;
    for (int i = 0; i < 1000 && TApdSyncQueue::PendingCount() > 0; ++i)
        TApdSyncQueue::Drain();
    worker.join();
    ASSERT_TRUE(done);
    EXPECT_FALSE(offGui);
    for (int i = 0; i < 200; ++i)
        EXPECT_EQ(pieces[size_t(i)], std::to_string(i));
}

}  // namespace
