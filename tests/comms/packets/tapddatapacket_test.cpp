// Data packets on a fake feeder: the manager's buffer, capture, events and time-outs.
#include "comms/core/appexceptionhook.h"
#include "comms/core/eapdexception.h"
#include "comms/packets/tapddatapacket.h"
#include "comms/packets/tapddatapacketmanagerlist.h"
#include "comms/packets/fakepacketfeed.h"
#include "common/bytes.h"

#include <QTimer>
#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {


struct Received {
    std::vector<std::string> pieces;
    int timeouts = 0;
};

std::unique_ptr<TApdDataPacket> framedPacket(FakePacketFeed* feed, Received& rx, bool include = false)
{
    auto p = std::make_unique<TApdDataPacket>();
    p->SetStartString(QByteArray::fromStdString(STX));
    p->SetEndCond({ecString});
    p->SetEndString(QByteArray::fromStdString(ETX));
    p->SetIncludeStrings(include);
    p->OnStringPacket = [&rx](QObject*, const QString& s) { rx.pieces.push_back(s.toLatin1().toStdString()); };
    p->OnTimeout = [&rx](QObject*) { ++rx.timeouts; };
    feed->Insert(p.get());
    p->SetEnabled(true);
    return p;
}

class DataPacket : public ::testing::Test {
protected:
    void TearDown() override { flushPostedFrees(); }
};

TEST_F(DataPacket, SamePacketsWholeBytewiseAndSplitEverywhere)
{
    const std::string input = "zz" + STX + "a=1" + ETX + "noise" + STX + "b=" + ETX + STX + ETX + "x";
    const std::vector<std::string> expected = {"a=1", "b=", ""};
    std::vector<std::vector<std::string>> ways;
    ways.push_back({input});
    std::vector<std::string> bytes;
    for (char c : input)
        bytes.emplace_back(1, c);
    ways.push_back(bytes);
    for (size_t cut = 1; cut < input.size(); ++cut)
        ways.push_back({input.substr(0, cut), input.substr(cut)});
    for (const auto& chunks : ways) {
        auto* feed = new FakePacketFeed;
        Received rx;
        auto p = framedPacket(feed, rx);
        for (const std::string& c : chunks)
            feed->feed(c);
        EXPECT_EQ(rx.pieces, expected) << "in " << chunks.size() << " chunks";
        EXPECT_EQ(feed->DataLen(), 0) << "unmatched bytes are not kept";
        p.reset();
        flushPostedFrees();
    }
}

TEST_F(DataPacket, IncludeStringsAndMultiByteEnd)
{
    auto* feed = new FakePacketFeed;
    Received rx;
    auto p = framedPacket(feed, rx, true);
    feed->feed(STX + "x=1" + ETX);
    EXPECT_EQ(rx.pieces, std::vector<std::string> {STX + "x=1" + ETX});

    rx.pieces.clear();
    p->SetEnabled(false);
    p->SetStartCond(scAnyData);
    p->SetEndString("\r\n");
    p->SetEnabled(true);
    feed->feed("a\r\r\n");
    feed->feed("a\rb\r\n");
    EXPECT_EQ(rx.pieces, (std::vector<std::string> {"a\r\r\n", "a\rb\r\n"}));
}

TEST_F(DataPacket, InvalidPropertiesRaiseAndLeaveThePacketOff)
{
    struct Row {
        TPacketStartCond start;
        QByteArray startString;
        TPacketEndSet end;
        QByteArray endString;
        int size;
        int code;
    } rows[] = {
        {scString, "", {ecString}, "x", 0, -5501},
        {scString, "abc", {ecPacketSize}, "", 2, -5502},
        {scAnyData, "", {}, "", 0, -5503},
        {scString, "a", {ecString}, "", 0, -5504},
        {scAnyData, "", {ecPacketSize}, "", 0, -5505},
    };
    auto* feed = new FakePacketFeed;
    for (const Row& r : rows) {
        TApdDataPacket p;
        feed->Insert(&p);
        p.SetStartCond(r.start);
        p.SetStartString(r.startString);
        p.SetEndString(r.endString);
        p.SetPacketSize(r.size);
        p.SetEndCond(r.end);
        try {
            p.SetEnabled(true);
            ADD_FAILURE() << "no exception for " << r.code;
        } catch (const EInvalidProperty& e) {
            EXPECT_EQ(e.ErrorCode, r.code);
        }
        EXPECT_FALSE(p.Enabled());
        EXPECT_EQ(p.PacketMode(), dpIdle);
        EXPECT_EQ(feed->CapturePacket(), nullptr);
    }
    // Without a manager, or while the port is closed, enabling only resets the match; the
    // properties are checked when the port opens, and a packet they do not fit stays off.
    TApdDataPacket lone;
    lone.SetStartString("");
    lone.SetEnabled(true);
    EXPECT_TRUE(lone.Enabled());
    auto* closed = new FakePacketFeed;
    closed->PortOpenClose(nullptr, false);
    closed->Insert(&lone);
    closed->PortOpenClose(nullptr, true);
    EXPECT_FALSE(lone.Enabled());
    EXPECT_EQ(TApdDataPacket().TimeOut(), 2184);
    EXPECT_TRUE(TApdDataPacket().AutoEnable());
    EXPECT_TRUE(TApdDataPacket().IgnoreCase());
    EXPECT_TRUE(TApdDataPacket().IncludeStrings());
    EXPECT_TRUE(TApdDataPacket().FlushOnTimeout());
    EXPECT_FALSE(TApdDataPacket().Enabled());
}

// The plain open/close callback: a packet enabled while the port is closed starts when it
// opens, rests while it is closed and starts again at the next open.
TEST_F(DataPacket, PlainOpenCloseCallbackStartsAndStopsThePackets)
{
    auto* feed = new FakePacketFeed;
    feed->PortOpenClose(nullptr, false);
    Received rx;
    auto p = framedPacket(feed, rx);
    EXPECT_EQ(p->PacketMode(), dpIdle);
    for (const char* piece : {"a", "b"}) {
        feed->PortOpenClose(nullptr, true);
        feed->feed(STX + piece + ETX);
        feed->PortOpenClose(nullptr, false);
        EXPECT_TRUE(p->Enabled() && p->PacketMode() == dpIdle);
    }
    EXPECT_EQ(rx.pieces, (std::vector<std::string> {"a", "b"}));
}

// A framed packet first in the list and a start-only one after it: the framed one holds the
// stream while it collects, so a '#' inside its frame is its data; bytes in front of a
// delivered piece go with it.
TEST_F(DataPacket, CaptureKeepsOtherPacketsOutWhileCollecting)
{
    auto* feed = new FakePacketFeed;
    Received rx;
    auto framed = framedPacket(feed, rx);
    std::vector<std::string> hashes;
    TApdDataPacket hash;
    hash.SetStartString("#");
    hash.OnStringPacket = [&](QObject*, const QString& s) { hashes.push_back(s.toStdString()); };
    feed->Insert(&hash);
    hash.SetEnabled(true);

    feed->feed("#" + STX + "a#b");
    EXPECT_EQ(feed->CapturePacket(), framed.get());
    EXPECT_TRUE(feed->armed);
    EXPECT_EQ(feed->armedTicks, 2184);
    EXPECT_TRUE(hashes.empty());
    feed->feed(ETX + "#");
    EXPECT_EQ(rx.pieces, std::vector<std::string> {"a#b"});
    EXPECT_EQ(hashes, std::vector<std::string> {"#"});
    EXPECT_EQ(feed->CapturePacket(), nullptr);
    EXPECT_FALSE(feed->armed) << "the capture timer is disarmed with the capture";

    // The list order decides who looks first: a start-only packet ahead takes every '#'.
    hashes.clear();
    rx.pieces.clear();
    feed->Remove(framed.get());
    feed->Insert(framed.get());
    framed->SetEnabled(true);
    feed->feed("#" + STX + "c" + ETX);
    EXPECT_EQ(hashes, std::vector<std::string> {"#"});
    EXPECT_EQ(rx.pieces, std::vector<std::string> {"c"});
}

TEST_F(DataPacket, TimeoutFiresOnceAndFlushesOrKeeps)
{
    for (bool flush : {true, false}) {
        auto* feed = new FakePacketFeed;
        Received rx;
        auto framed = framedPacket(feed, rx);
        framed->SetFlushOnTimeout(flush);
        std::vector<std::string> hashes;
        TApdDataPacket hash;
        hash.SetStartString("#");
        hash.OnStringPacket = [&](QObject*, const QString& s) { hashes.push_back(s.toStdString()); };
        feed->Insert(&hash);
        hash.SetEnabled(true);

        QString offered;
        framed->OnTimeout = [&](QObject* s) {
            ++rx.timeouts;
            static_cast<TApdDataPacket*>(s)->GetCollectedString(offered);
        };
        feed->feed(STX + "ab#");
        feed->fireTimer();
        feed->fireTimer();  // the capture is gone: nothing more happens
        EXPECT_EQ(rx.timeouts, 1);
        EXPECT_EQ(offered, QString("ab#"));
        EXPECT_FALSE(framed->Enabled()) << "a timed-out packet stays off, whatever AutoEnable says";
        EXPECT_EQ(rx.pieces.size(), 0u);
        if (flush) {
            EXPECT_TRUE(hashes.empty());
        } else {
            EXPECT_EQ(hashes, std::vector<std::string> {"#"}) << "kept bytes go to the others";
        }
        EXPECT_EQ(feed->DataLen(), 0);
        hash.SetComPort(nullptr);
        feed->Remove(&hash);
        framed.reset();
        flushPostedFrees();
    }
}

TEST_F(DataPacket, TimeoutWithNothingCollected)
{
    auto* feed = new FakePacketFeed;
    TApdDataPacket any;
    any.SetStartCond(scAnyData);
    any.SetEndCond({ecString});
    any.SetEndString("\n");
    int timeouts = 0;
    int32_t offeredSize = -1;
    any.OnTimeout = [&](QObject*) {
        ++timeouts;
        const char* d = nullptr;
        any.GetCollectedData(d, offeredSize);
    };
    feed->Insert(&any);
    any.SetEnabled(true);
    EXPECT_EQ(feed->CapturePacket(), &any);
    feed->fireTimer();
    EXPECT_EQ(timeouts, 1);
    EXPECT_EQ(offeredSize, 0);
}

TEST_F(DataPacket, DataArrivingDuringAnEventIsDeliveredAfterIt)
{
    auto* feed = new FakePacketFeed;
    std::vector<std::string> order;
    int depth = 0;
    TApdDataPacket p;
    p.SetStartString(QByteArray::fromStdString(STX));
    p.SetEndCond({ecString});
    p.SetEndString(QByteArray::fromStdString(ETX));
    p.SetIncludeStrings(false);
    p.OnStringPacket = [&](QObject*, const QString& s) {
        ++depth;
        EXPECT_EQ(depth, 1) << "events never nest";
        order.push_back("begin " + s.toStdString());
        if (s == "one")
            feed->feed(STX + "two" + ETX + STX + "thr");  // as a handler that pumps messages would see
        order.push_back("end " + s.toStdString());
        --depth;
    };
    feed->Insert(&p);
    p.SetEnabled(true);
    feed->feed(STX + "one" + ETX);
    feed->feed("ee" + ETX);
    EXPECT_EQ(order, (std::vector<std::string> {"begin one", "end one", "begin two", "end two",
                         "begin three", "end three"}));
}

// What a handler raises goes to the application's handler, and the packets go on.
TEST_F(DataPacket, HandlerExceptionsReachTheApplicationAndDeliveryGoesOn)
{
    auto* feed = new FakePacketFeed;
    Received rx;
    auto p = framedPacket(feed, rx);
    p->OnStringPacket = [&rx](QObject*, const QString& s) {
        rx.pieces.push_back(s.toStdString());
        throw std::runtime_error("bad " + s.toStdString());
    };
    std::vector<std::string> handled;
    SetAppExceptionHandler([&](const std::exception& e) { handled.push_back(e.what()); });
    feed->feed(STX + "a" + ETX + STX + "b" + ETX);
    SetAppExceptionHandler(nullptr);
    EXPECT_EQ(rx.pieces, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(handled, (std::vector<std::string>{"bad a", "bad b"}));
}

TEST_F(DataPacket, ManyLinesInOneBatch)
{
    auto* feed = new FakePacketFeed;
    TApdDataPacket lines;
    lines.SetStartCond(scAnyData);
    lines.SetEndCond({ecString});
    lines.SetEndString("\r\n");
    lines.SetIncludeStrings(false);
    int count = 0;
    bool inOrder = true;
    lines.OnStringPacket = [&](QObject*, const QString& s) {
        inOrder = inOrder && s == QString::number(count);
        ++count;
    };
    feed->Insert(&lines);
    lines.SetEnabled(true);
    std::string batch;
    for (int i = 0; i < 4096; ++i)
        batch += std::to_string(i) + "\r\n";
    feed->feed(batch);
    EXPECT_EQ(count, 4096);
    EXPECT_TRUE(inOrder);
    EXPECT_EQ(feed->DataLen(), 0);
}

TEST_F(DataPacket, PacketDestroyedInsideItsOwnEvent)
{
    auto* feed = new FakePacketFeed;
    Received rx;
    TApdDataPacket* doomed = framedPacket(feed, rx).release();
    doomed->OnStringPacket = [&](QObject* s, const QString&) { delete static_cast<TApdDataPacket*>(s); };
    std::vector<std::string> hashes;
    TApdDataPacket hash;
    hash.SetStartString("#");
    hash.OnStringPacket = [&](QObject*, const QString& s) { hashes.push_back(s.toStdString()); };
    feed->Insert(&hash);
    hash.SetEnabled(true);
    feed->feed(STX + "x" + ETX + "#");
    EXPECT_EQ(feed->PacketList().size(), 1);
    EXPECT_EQ(hashes, std::vector<std::string> {"#"});
}

TEST_F(DataPacket, PacketRemovedWhileCollectingReleasesTheCapture)
{
    auto* feed = new FakePacketFeed;
    Received rx;
    auto framed = framedPacket(feed, rx);
    std::vector<std::string> hashes;
    TApdDataPacket hash;
    hash.SetStartString("#");
    hash.OnStringPacket = [&](QObject*, const QString& s) { hashes.push_back(s.toStdString()); };
    feed->Insert(&hash);
    hash.SetEnabled(true);
    feed->feed(STX + "abc");
    ASSERT_EQ(feed->CapturePacket(), framed.get());
    framed.reset();
    EXPECT_EQ(feed->CapturePacket(), nullptr);
    EXPECT_FALSE(feed->armed);
    feed->feed("#");
    EXPECT_EQ(hashes, std::vector<std::string> {"#"});
}

TEST_F(DataPacket, WaitForPacketAndWaitTimeout)
{
    auto* feed = new FakePacketFeed;
    Received rx;
    auto p = framedPacket(feed, rx);
    p->SetEnabled(false);
    QTimer::singleShot(20, [&] { feed->feed(STX + "k=v" + ETX); });
    const char* data = nullptr;
    int32_t size = 0;
    ASSERT_TRUE(p->WaitForPacket(data, size));
    EXPECT_EQ(std::string(data, size_t(size)), "k=v");
    EXPECT_FALSE(p->AutoEnable());
    EXPECT_FALSE(p->Enabled()) << "without AutoEnable the packet stays off after delivery";

    QTimer::singleShot(20, [&] { feed->feed(STX + "partial"); });
    QTimer::singleShot(60, [&] { feed->fireTimer(); });
    QString s;
    EXPECT_FALSE(p->WaitForString(s));
    EXPECT_EQ(rx.timeouts, 1);
}

TEST_F(DataPacket, LastPacketLeavingFreesTheManagerLater)
{
    auto* feed = new FakePacketFeed;
    const int before = TApdDataPacketManagerList::Instance().Count();
    bool freedInside = false;
    {
        TApdDataPacket p;
        p.SetStartString("!");
        p.OnStringPacket = [&](QObject* s, const QString&) {
            feed->Remove(static_cast<TApdDataPacket*>(s));
            QCoreApplication::sendPostedEvents();  // a handler pumping messages
            freedInside = TApdDataPacketManagerList::Instance().Count() != before;
        };
        feed->Insert(&p);
        p.SetEnabled(true);
        feed->feed("!");
    }
    EXPECT_FALSE(freedInside) << "never freed during its own event";
    flushPostedFrees();
    EXPECT_EQ(TApdDataPacketManagerList::Instance().Count(), before - 1);
}

}  // namespace
