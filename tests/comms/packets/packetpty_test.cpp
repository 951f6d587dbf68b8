// Packets on the serial dispatcher's worker threads, over a pty, against the simulated device.
#include "comms/packets/tapddatapacket.h"
#include "comms/serial/tapdwin32dispatcher.h"
#include "common/pump.h"
#include "comms/packets/dispatcherfeed.h"
#include "comms/packets/fakepacketfeed.h"
#include "peers/simdevice.h"

#include <cstdlib>
#include <memory>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

const QString kCom = QStringLiteral("\\\\.\\COM43");

class PacketOnPty : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dev.ok());
        dev.start();
        ::setenv("QWLVIEW_COM43", dev.ptyPath().c_str(), 1);
        open();
        feed = new DispatcherFeed(d.get());
        p.SetStartString("\x02");
        p.SetEndCond({ecString});
        p.SetEndString("\x03");
        p.SetIncludeStrings(false);
        p.OnStringPacket = [this](QObject*, const QString& s) { pieces.push_back(s.toStdString()); };
        feed->Insert(&p);
        p.SetEnabled(true);
    }
    void TearDown() override
    {
        feed->Closing();
        d->DonePort();
        feed->Remove(&p);
        flushPostedFrees();
        ::unsetenv("QWLVIEW_COM43");
        dev.stop();
    }
    void open()
    {
        ASSERT_EQ(d->InitPort(kCom, 19200, 0, 8, 1, 4096, 4096, ipAssertDTR | ipAssertRTS), 0);
        d->ChangeLengthTrigger(1);
    }
    bool query(const std::string& key, size_t expectPieces)
    {
        d->PutString(QByteArray("\x1b") + key.c_str() + "?\r");
        return pumpUntil([&] { return pieces.size() >= expectPieces; }, 5000);
    }

    peers::SimDevice dev;
    std::unique_ptr<TApdWin32Dispatcher> d = std::make_unique<TApdWin32Dispatcher>(nullptr);
    DispatcherFeed* feed = nullptr;
    TApdDataPacket p;
    std::vector<std::string> pieces;
};

TEST_F(PacketOnPty, RepliesWholeSplitAndWithNoise)
{
    ASSERT_TRUE(query("info.serial", 1));
    peers::SimDevice::Script s;
    s.splitBytes = true;
    s.splitPauseMs = 2;
    s.noiseBeforeStx = "zz\x03";
    dev.setScript(s);
    ASSERT_TRUE(query("info.hw", 2));
    dev.setScript({});
    dev.setKey("k", std::string(3000, 'x'));  // several reads, one packet
    ASSERT_TRUE(query("k", 3));
    EXPECT_EQ(pieces, (std::vector<std::string> {"info.serial=QW000815", "info.hw=HW 2.1", "k=" + std::string(3000, 'x')}));
    EXPECT_EQ(feed->DataLen(), 0);
}

TEST_F(PacketOnPty, CloseWhileAReplyArrivesAndOpenAgain)
{
    for (int round = 0; round < 5; ++round) {
        peers::SimDevice::Script s;
        s.splitBytes = true;
        s.splitPauseMs = 1;
        dev.setScript(s);
        d->PutString("\x1binfo.sw?\r");
        dev.waitForRequests(size_t(round) + 1, 2000);
        // Part of the reply is in: at least its frame start, however busy the machine.
        ASSERT_TRUE(pumpUntil([&] { return feed->DataLen() > 0; }, 5000)) << "round " << round;
        pumpFor(round);
        feed->Closing();
        d->DonePort();
        // A notification in flight finishes the close on the dispatcher thread; then the
        // dispatcher is freed, as the port component does.
        ASSERT_TRUE(pumpUntil([&] { return !d->ThreadsRunning(); }, 5000));
        d = std::make_unique<TApdWin32Dispatcher>(nullptr);
        feed->SetDispatcher(d.get());
        EXPECT_EQ(feed->DataLen(), 0);
        EXPECT_EQ(feed->CapturePacket(), nullptr);
        open();
        feed->Opened();
        EXPECT_TRUE(p.Enabled());
        pumpFor(40);  // the rest of the reply: its frame start is gone, so nothing is cut out
        dev.setScript({});
        pieces.clear();
        ASSERT_TRUE(query("info.serial", 1)) << "round " << round;
        EXPECT_EQ(pieces.back(), "info.serial=QW000815");
    }
}

}  // namespace
