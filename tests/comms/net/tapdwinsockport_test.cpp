#include "comms/core/adexcept.h"
#include "comms/net/tapdwinsockdispatcher.h"
#include "comms/net/tapdwinsockport.h"
#include "common/procstats.h"
#include "common/pump.h"
#include "peers/tcppeer.h"
#include "common/bytes.h"
#include "comms/net/offlineresolver.h"

#include <QCoreApplication>
#include <QStringList>
#include <arpa/inet.h>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace {

uint16_t closedPort()
{
    TcpPeer gone;
    return gone.port();
}

// A winsock port that writes its events into a log.
struct LoggedPort {
    QStringList log;
    QByteArray got;  // what the available-data events delivered
    TApdWinsockPort port;

    LoggedPort(TWsMode mode, uint16_t wsPort, bool telnet = false)
    {
        port.SetDeviceLayer(dlWinsock);
        port.SetAutoOpen(false);
        port.SetWsMode(mode);
        port.SetWsAddress(QStringLiteral(" 127.0.0.1\t"));
        port.SetWsPort(QString::number(wsPort));
        port.SetWsTelnet(telnet);
        port.OnPortOpen = [this](QObject*) { log << "open"; };
        port.OnPortClose = [this](QObject*) { log << "close"; };
        port.OnWsConnect = [this](QObject*) { log << "connect"; };
        port.OnWsDisconnect = [this](QObject*) { log << "disconnect"; };
        port.OnWsError = [this](QObject*, int code) { log << QStringLiteral("error %1").arg(code); };
        port.OnWsAccept = [this](QObject*, TInAddr a, bool& accept) {
            log << "accept " + QString::fromLatin1(::inet_ntoa(in_addr{a}));
            accept = acceptClients;
        };
        port.SetOnTriggerAvail([this](TApdCustomComPort* p, uint16_t count) {
            QByteArray b(count, '\0');
            p->GetBlock(b.data(), count);
            got += b;
        });
    }
    bool acceptClients = true;
};

}  // namespace

TEST(TApdWinsockPortTest, ClientEchoesThroughDataTriggerAndClosesWhenPeerCloses)
{
    TcpPeer peer;
    LoggedPort c(wsClient, peer.port());
    EXPECT_EQ(c.port.WsAddress(), "127.0.0.1");
    c.port.SetOnTriggerAvail({});
    c.port.SetOnTriggerData([&](TApdCustomComPort* p, uint16_t) {
        QByteArray line(p->InBuffUsed(), '\0');
        p->GetBlock(line.data(), int(line.size()));
        p->PutString("echo:" + line);
    });
    c.port.SetOpen(true);
    c.port.AddDataTrigger("\r\n", false);
    ASSERT_TRUE(pumpUntil([&] { return peer.tryAccept() && c.log.contains("connect"); }));
    EXPECT_THROW(c.port.SetWsAddress("10.0.0.1"), EApdSocketException);

    ASSERT_TRUE(peer.send("ping\r\n"));
    ASSERT_TRUE(pumpUntil([&] { peer.poll(); return peer.received() == "echo:ping\r\n"; })) << peer.received().toStdString();
    ASSERT_TRUE(peer.send("two\r\n"));
    ASSERT_TRUE(pumpUntil([&] { peer.poll(); return peer.received().endsWith("echo:two\r\n"); }));

    peer.close();
    ASSERT_TRUE(pumpUntil([&] { return !c.port.Open() && c.port.PortState() == psClosed; }));
    EXPECT_EQ(c.log, QStringList({"open", "connect", "close", "disconnect"}));
}

TEST(TApdWinsockPortTest, ServerTakesOneClientAtATimeAndKeepsListening)
{
    const uint16_t port = closedPort();
    LoggedPort s(wsServer, port);
    s.port.SetOpen(true);

    TcpPeer first, second, refused, third;
    ASSERT_TRUE(first.connectTo(port));
    ASSERT_TRUE(pumpUntil([&] { return s.log.contains("accept 127.0.0.1"); }));
    ASSERT_TRUE(first.send("hi"));
    ASSERT_TRUE(pumpUntil([&] { return s.got == "hi"; }));
    s.port.PutString("yo");
    ASSERT_TRUE(pumpUntil([&] { first.poll(); return first.received() == "yo"; }));

    // A second client while the first is served is let in and sent away.
    ASSERT_TRUE(second.connectTo(port));
    ASSERT_TRUE(pumpUntil([&] { return !second.poll(); }));

    first.close();
    ASSERT_TRUE(pumpUntil([&] { return s.log.contains("disconnect"); }));

    s.acceptClients = false;
    ASSERT_TRUE(refused.connectTo(port));
    ASSERT_TRUE(pumpUntil([&] { return !refused.poll(); }));
    EXPECT_EQ(s.log.count("accept 127.0.0.1"), 2);

    s.acceptClients = true;
    ASSERT_TRUE(third.connectTo(port));
    ASSERT_TRUE(third.send("again"));
    ASSERT_TRUE(pumpUntil([&] { return s.got == "hiagain"; }));
    EXPECT_TRUE(s.port.Open());
    s.port.SetOpen(false);
    EXPECT_EQ(s.log, QStringList({"open", "accept 127.0.0.1", "disconnect", "accept 127.0.0.1", "accept 127.0.0.1",
                                  "close", "disconnect"}));
}

TEST(TApdWinsockPortTest, RefusedClientReportsTheCodeAndClosesItself)
{
    LoggedPort c(wsClient, closedPort());
    c.port.SetOpen(true);
    ASSERT_TRUE(pumpUntil([&] { return c.port.PortState() == psClosed; }));
    EXPECT_EQ(c.log, QStringList({"open", QStringLiteral("error %1").arg(wsaEConnRefused), "close"}));
    EXPECT_FALSE(c.port.Open());
}

TEST(TApdWinsockPortTest, OpenFailsCleanlyOnBadParameters)
{
    struct Case {
        const char* address;
        const char* port;
        int code;
    };
    const Case cases[] = {
        {"127.0.0.1", "0", ecADWSINVPORT},           {"127.0.0.1", "65536", ecADWSINVPORT},
        {"127.0.0.1", "no-such-service", ecADWSINVPORT}, {"", "21", wsaEDestAddrReq},
        {"no-such-host.invalid", "21", ecADWSCANTRESOLVE},
    };
    OfflineResolver offline;
    const int asked = OfflineResolver::asked;
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << k.address << ":" << k.port);
        LoggedPort c(wsClient, 1);
        c.port.OnWsError = {};
        c.port.SetWsAddress(k.address);
        c.port.SetWsPort(k.port);
        try {
            c.port.SetOpen(true);
            ADD_FAILURE() << "opened";
        } catch (const EApdSocketException& e) {
            EXPECT_EQ(e.ErrorCode, k.code);
        }
        EXPECT_FALSE(c.port.Open());
        EXPECT_EQ(c.port.PortState(), psClosed);
        EXPECT_EQ(c.port.Dispatcher(), nullptr);
    }
    // With an error handler a name that does not resolve is reported to it, and the open fails.
    LoggedPort c(wsClient, 21);
    c.port.SetWsAddress("no-such-host.invalid");
    EXPECT_ANY_THROW(c.port.SetOpen(true));
    EXPECT_EQ(c.log, QStringList({QStringLiteral("error %1").arg(ecADWSCANTRESOLVE)}));
    EXPECT_EQ(c.port.PortState(), psClosed);
    EXPECT_EQ(OfflineResolver::asked, asked + 2);
}

// A port closed from inside its own events is not touched afterwards (the sanitizers watch),
// and opens again.
TEST(TApdWinsockPortTest, PortClosedFromItsOwnEventsAndReopened)
{
    TcpPeer peer;
    const int baseline = countOpenFds();
    LoggedPort c(wsClient, peer.port());
    c.port.OnWsConnect = [&](QObject*) {
        c.log << "connect";
        c.port.SetOpen(false);
    };
    c.port.SetOpen(true);
    ASSERT_TRUE(pumpUntil([&] { return peer.tryAccept() && c.port.PortState() == psClosed; }));
    EXPECT_EQ(c.log, QStringList({"open", "connect", "close", "disconnect"}));
    peer.close();

    c.log.clear();
    c.port.OnWsConnect = [&](QObject*) { c.log << "connect"; };
    c.port.SetOnTriggerAvail([&](TApdCustomComPort* p, uint16_t) {
        c.log << "data";
        p->SetOpen(false);
    });
    c.port.SetOpen(true);
    ASSERT_TRUE(pumpUntil([&] { return peer.tryAccept() && c.log.contains("connect"); }));
    ASSERT_TRUE(peer.send("x"));
    ASSERT_TRUE(pumpUntil([&] { return c.port.PortState() == psClosed; }));
    EXPECT_EQ(c.log, QStringList({"open", "connect", "data", "close", "disconnect"}));
    peer.close();
    pumpFor(20);
    EXPECT_EQ(countOpenFds(), baseline);
}

TEST(TApdWinsockPortTest, ManyOpenCloseCyclesLeakNothing)
{
    TcpPeer peer;
    LoggedPort c(wsClient, peer.port());
    const int descriptors = countOpenFds();
    const int dispatchers = TApdBaseDispatcher::PortListCount();
    for (int i = 0; i < 200; ++i) {
        c.port.SetOpen(true);
        ASSERT_TRUE(pumpUntil([&] { return peer.tryAccept() && c.port.Connected(); })) << i;
        c.port.SetOpen(false);
        peer.close();
    }
    pumpFor(20);
    EXPECT_EQ(countOpenFds(), descriptors);
    EXPECT_EQ(TApdBaseDispatcher::PortListCount(), dispatchers);
    EXPECT_EQ(c.log.count("connect"), 200);
}

// Every event the GUI thread delivers while it is installed.
struct GuiEventCounter : QObject {
    GuiEventCounter() { QCoreApplication::instance()->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent*) override { return ++events, false; }
    int events = 0;
};

// Waiting ports and unread sockets cost no CPU: nothing spins on a level-triggered notifier.
TEST(TApdWinsockPortTest, IdleConnectionsUseNoCpu)
{
    TcpPeer peer, rawPeer;
    LoggedPort c(wsClient, peer.port());
    c.port.SetOpen(true);
    ASSERT_TRUE(pumpUntil([&] { return peer.tryAccept() && c.port.Connected(); }));
    TApdSocket raw;
    int reads = 0;
    raw.OnWsRead = [&](QObject*, TSocket) { ++reads; };  // never reads
    const TSocket s = raw.CreateSocket();
    raw.SetAsyncStyles(s, FD_CONNECT | FD_READ | FD_CLOSE);
    TSockAddrIn a;
    a.sin_port = htons(rawPeer.port());
    a.sin_addr = htonl(INADDR_LOOPBACK);
    raw.ConnectSocket(s, a);
    ASSERT_TRUE(pumpUntil([&] { return rawPeer.tryAccept(); }));
    ASSERT_TRUE(rawPeer.send("unread"));
    ASSERT_TRUE(pumpUntil([&] { return reads == 1; }));

    GuiEventCounter counter;
    pumpFor(1000);
    // The dispatchers' 50 ms timer; a notifier that fires again for the unread bytes would
    // deliver an event on each of the loop's thousand passes.
    EXPECT_LT(counter.events, 200) << "events in one second";
    EXPECT_EQ(reads, 1);
    raw.CloseSocket(s);
}

namespace {

// A proxy that plays a script on its own thread: for each step it reads the given number of
// bytes and answers; then it sends what the destination would.
struct ScriptedProxy {
    struct Step {
        int expect;
        QByteArray reply;
    };
    TcpPeer peer;
    QByteArray got;
    std::thread thread;

    void run(std::vector<Step> steps, QByteArray after)
    {
        thread = std::thread([this, steps = std::move(steps), after] {
            for (int i = 0; i < 5000 && !peer.tryAccept(); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            int wanted = 0;
            bool silent = false;
            for (const Step& s : steps) {
                silent = s.reply.isEmpty();
                wanted += s.expect;
                for (int i = 0; i < 5000 && peer.received().size() < wanted && peer.poll(); ++i)
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                if (!s.reply.isEmpty())
                    peer.send(s.reply);
            }
            // The destination speaks a little later, as new data.
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            if (!silent)
                peer.send(after);
            for (int i = 0; i < 500 && peer.poll(); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            got = peer.received();
        });
    }
    ~ScriptedProxy()
    {
        if (thread.joinable())
            thread.join();
    }
};


}  // namespace

// Each row: the proxy's script, what the port must have sent, and the outcome (0 = open and
// connected to the destination through the proxy).
TEST(TApdWinsockPortTest, SocksNegotiationAgainstScriptedProxy)
{
    const QByteArray dest = B({10, 1, 2, 3});
    const QByteArray port = B({0x08, 0x45});  // 2117
    const QByteArray v4 = B({4, 1}) + port + dest + "kqv" + B({0});
    const QByteArray v4a = B({4, 1}) + port + B({0, 0, 0, 1}) + "kqv" + B({0}) + "10.1.2.3" + B({0});
    const QByteArray greet = B({5, 2, 0, 2});
    const QByteArray req5 = B({5, 1, 0, 1}) + dest + port;
    const QByteArray auth = B({1, 3}) + "kqv" + B({6}) + "secret";
    const QByteArray ok4 = B({0, 90, 0, 0, 0, 0, 0, 0});
    struct Row {
        const char* name;
        TApdSocksVersion version;
        std::vector<ScriptedProxy::Step> script;
        QByteArray sent;
        int outcome;
    };
    const std::vector<Row> rows = {
        {"socks4", svSocks4, {{int(v4.size()), ok4}}, v4, 0},
        {"socks4 refused", svSocks4, {{int(v4.size()), B({0, 91, 0, 0, 0, 0, 0, 0})}}, v4, ecSocksRequestFailed},
        {"socks4 identd", svSocks4, {{int(v4.size()), B({0, 93, 0, 0, 0, 0, 0, 0})}}, v4, ecSocksIdentdMismatch},
        {"socks4a", svSocks4a, {{int(v4a.size()), ok4}}, v4a, 0},
        {"socks5", svSocks5, {{4, B({5, 0})}, {10, B({5, 0, 0, 1, 1, 2, 3, 4, 0, 21})}}, greet + req5, 0},
        {"socks5 password", svSocks5,
         {{4, B({5, 2})}, {int(auth.size()), B({1, 0})}, {10, B({5, 0, 0, 3, 4}) + "host" + B({0, 21})}},
         greet + auth + req5, 0},
        {"socks5 bad password", svSocks5, {{4, B({5, 2})}, {int(auth.size()), B({1, 1})}}, greet + auth,
         ecSocksFailure},
        {"socks5 no method", svSocks5, {{4, B({5, 0xFF})}}, greet, ecSocksFailure},
        {"socks5 refused", svSocks5, {{4, B({5, 0})}, {10, B({5, 5, 0, 1, 0, 0, 0, 0, 0, 0})}}, greet + req5,
         ecSocks5ReplyBase + 5},
        {"socks5 ipv6 bound address", svSocks5,
         {{4, B({5, 0})}, {10, B({5, 0, 0, 4}) + QByteArray(16, '\1') + B({0, 21})}}, greet + req5,
         ecSocks5AddressIPv6},
        {"silent proxy", svSocks5, {{4, {}}}, greet, wsaETimedOut},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        ScriptedProxy proxy;
        proxy.run(r.script, "welcome");
        LoggedPort c(wsClient, 2117, true);
        c.port.SetWsAddress("10.1.2.3");
        c.port.WsSocksServerInfo() = {"127.0.0.1", "secret", proxy.peer.port(), r.version, "kqv"};
        c.port.SocksWaitMs = 300;
        int outcome = 0;
        try {
            c.port.SetOpen(true);
        } catch (const EApdSocketException& e) {
            outcome = e.ErrorCode;
        }
        EXPECT_EQ(outcome, r.outcome);
        if (outcome == 0) {
            EXPECT_EQ(c.log, QStringList({"connect", "open"}));
            EXPECT_TRUE(pumpUntil([&] { return c.got == "welcome"; })) << c.got.toHex().toStdString() << " " << c.port.InBuffUsed();
        } else {
            EXPECT_EQ(c.log, QStringList({QStringLiteral("error %1").arg(r.outcome)}));
            EXPECT_EQ(c.port.PortState(), psClosed);
        }
        c.port.SetOpen(false);
        if (proxy.thread.joinable())
            proxy.thread.join();
        EXPECT_EQ(proxy.got, r.sent);
    }
}
