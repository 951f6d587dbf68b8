// Packets bound to a real port component on a pty: they follow the port's open and close,
// survive a close from inside their own event and the port going away.
#include "comms/serial/tapdcomport.h"
#include "comms/packets/tapddatapacket.h"
#include "comms/packets/tapddatapacketmanager.h"
#include "comms/packets/tapddatapacketmanagerlist.h"
#include "common/pump.h"
#include "peers/ptypair.h"

#include <QCoreApplication>
#include <QThread>
#include <gtest/gtest.h>
#include <memory>

namespace {

struct PacketOnPort : ::testing::Test {
    PtyPair pty;
    std::unique_ptr<TApdComPort> port = std::make_unique<TApdComPort>();
    std::unique_ptr<TApdDataPacket> packet = std::make_unique<TApdDataPacket>();
    QStringList got;
    bool offUiThread = false;

    void SetUp() override
    {
        pumpFor(5);  // managers left by earlier tests free themselves
        ASSERT_TRUE(pty.ok());
        pty.exportAs(43);
        port->SetComNumber(43);
        port->SetAutoOpen(false);
        packet->SetStartString("\x02");
        packet->SetEndCond({ecString});
        packet->SetEndString("\x03");
        packet->SetIncludeStrings(false);
        packet->SetComPort(port.get());
        packet->OnStringPacket = [this](QObject*, const QString& s) {
            offUiThread |= QThread::currentThread() != QCoreApplication::instance()->thread();
            got << s;
        };
    }
    bool waitFor(int n) { return pumpUntil([&] { return got.size() >= n; }, 3000); }
};

TEST_F(PacketOnPort, FollowsOpenAndCloseOfThePort)
{
    packet->SetEnabled(true);  // closed port: starts when it opens
    TApdDataPacketManager* m = packet->Manager();
    ASSERT_NE(m, nullptr);
    EXPECT_FALSE(m->Enabled());
    EXPECT_EQ(packet->PacketMode(), dpIdle);

    port->SetOpen(true);
    EXPECT_TRUE(m->Enabled());
    EXPECT_EQ(packet->PacketMode(), dpWaitStart);
    ASSERT_TRUE(pty.write("noise\x02one\x03\x02tw"));
    ASSERT_TRUE(waitFor(1));
    EXPECT_EQ(got, QStringList{"one"});
    EXPECT_FALSE(offUiThread) << "packet events run on the user-interface thread";

    port->SetOpen(false);
    EXPECT_FALSE(m->Enabled());
    EXPECT_EQ(m->DataLen(), 0) << "a half packet does not outlive the close";
    EXPECT_TRUE(packet->Enabled());

    port->SetOpen(true);
    ASSERT_TRUE(pty.write("o\x03\x02three\x03"));
    ASSERT_TRUE(waitFor(2));
    EXPECT_EQ(got, (QStringList{"one", "three"}));
    // Two packets on one port share its manager.
    TApdDataPacket second;
    second.SetComPort(port.get());
    EXPECT_EQ(second.Manager(), m);
}

TEST_F(PacketOnPort, AnotherComNumberKeepsThePacketsTimeOut)
{
    PtyPair other(44);
    int timeouts = 0;
    packet->SetTimeOut(2);
    packet->OnTimeout = [&](QObject*) { ++timeouts; };
    packet->SetEnabled(true);
    port->SetOpen(true), port->SetComNumber(44);
    ASSERT_TRUE(port->Open());
    ASSERT_TRUE(other.write("\x02half"));
    EXPECT_TRUE(pumpUntil([&] { return timeouts == 1; }, 3000));
}

TEST_F(PacketOnPort, PacketOnAnOpenPortStartsAtOnce)
{
    packet.reset();
    port->SetOpen(true);
    packet = std::make_unique<TApdDataPacket>();
    packet->SetStartString("<");
    packet->SetEndCond({ecString});
    packet->SetEndString(">");
    packet->OnStringPacket = [this](QObject*, const QString& s) { got << s; };
    packet->SetComPort(port.get());
    ASSERT_NE(packet->Manager(), nullptr);
    EXPECT_TRUE(packet->Manager()->Enabled());
    packet->SetEnabled(true);
    ASSERT_TRUE(pty.write("x<a>"));
    ASSERT_TRUE(waitFor(1));
    EXPECT_EQ(got, QStringList{"<a>"});
}

TEST_F(PacketOnPort, CloseInsideThePacketEventThenReopen)
{
    packet->SetEnabled(true);
    packet->OnStringPacket = [this](QObject*, const QString& s) {
        got << s;
        if (s == "bye")
            port->SetOpen(false);
    };
    port->SetOpen(true);
    ASSERT_TRUE(pty.write("\x02hello\x03\x02" "bye\x03\x02lost\x03"));
    ASSERT_TRUE(waitFor(2));
    EXPECT_FALSE(port->Open());
    // The close finishes once the notification has returned; a reopen asked meanwhile waits.
    ASSERT_TRUE(pumpUntil([&] { return port->PortState() == psClosed; }, 3000));
    EXPECT_EQ(got, (QStringList{"hello", "bye"}));

    port->SetOpen(true);
    ASSERT_TRUE(port->Open());
    pty.readQuiet(20, 200);
    ASSERT_TRUE(pty.write("\x02" "again\x03"));
    ASSERT_TRUE(waitFor(3));
    EXPECT_EQ(got.last(), "again");
    // And the port still sends.
    port->PutString("ping");
    EXPECT_EQ(pty.read(4), "ping");
}

TEST_F(PacketOnPort, ReopenAskedInsideThePacketEvent)
{
    packet->SetEnabled(true);
    packet->OnStringPacket = [this](QObject*, const QString& s) {
        got << s;
        if (s == "cycle") {
            port->SetOpen(false);
            port->SetOpen(true);  // carried out once the close has finished
        }
    };
    port->SetOpen(true);
    ASSERT_TRUE(pty.write("\x02" "cycle\x03"));
    ASSERT_TRUE(waitFor(1));
    ASSERT_TRUE(pumpUntil([&] { return port->PortState() == psOpen; }, 3000));
    pty.readQuiet(20, 200);
    ASSERT_TRUE(pty.write("\x02" "after\x03"));
    ASSERT_TRUE(waitFor(2));
    EXPECT_EQ(got, (QStringList{"cycle", "after"}));
}

TEST_F(PacketOnPort, PortDeletedInsideThePacketEvent)
{
    packet->SetEnabled(true);
    packet->OnStringPacket = [this](QObject*, const QString& s) {
        got << s;
        port.reset();
    };
    const int dispatchers = TApdBaseDispatcher::PortListCount();
    port->SetOpen(true);
    ASSERT_TRUE(pty.write("\x02" "bye\x03"));
    ASSERT_TRUE(waitFor(1));
    EXPECT_EQ(packet->ComPort(), nullptr);
    // Its dispatcher goes once the event has returned, and the device is free again.
    EXPECT_TRUE(pumpUntil([&] { return TApdBaseDispatcher::PortListCount() == dispatchers; }, 5000));
    TApdComPort again;
    again.SetComNumber(43);
    again.SetOpen(true);
    EXPECT_TRUE(again.Open());
}

TEST_F(PacketOnPort, PortDestroyedUnderItsPackets)
{
    packet->SetEnabled(true);
    port->SetOpen(true);
    TApdDataPacketManager* m = packet->Manager();
    ASSERT_NE(m, nullptr);
    const int managers = TApdDataPacketManagerList::Instance().Count();
    port.reset();
    EXPECT_EQ(packet->ComPort(), nullptr);
    EXPECT_EQ(packet->Manager(), nullptr);
    // The manager frees itself later; nothing touches the gone port meanwhile.
    ASSERT_TRUE(pumpUntil([&] { return TApdDataPacketManagerList::Instance().Count() <= managers - 1; }, 1000));
    pumpFor(20);
    packet->SetEnabled(false);
    packet->SetEnabled(true);
}

}  // namespace

// A packet without a port takes a port that enters its owner later and drops it when it leaves.
TEST(PacketOwner, TakesAPortInsertedLaterAndDropsItWhenRemoved)
{
    QObject owner;
    auto* packet = new TApdDataPacket(&owner);
    auto port = std::make_unique<TApdComPort>(&owner);
    ASSERT_TRUE(packet->ComPort() == port.get() && packet->Manager());
    auto second = std::make_unique<TApdComPort>(&owner);  // the packet keeps its port
    EXPECT_EQ(packet->ComPort(), port.get());
    port->setParent(nullptr);  // removed from the owner, still alive
    EXPECT_TRUE(!packet->ComPort() && !packet->Manager());
    second->setParent(nullptr);
    second->setParent(&owner);  // a whole port entering the owner
    EXPECT_EQ(packet->ComPort(), second.get());
    second.reset();  // destroyed while in the owner
    EXPECT_EQ(packet->ComPort(), nullptr);
    pumpFor(20);  // managers free themselves
}
