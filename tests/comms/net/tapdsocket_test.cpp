#include "comms/core/adexcept.h"
#include "comms/core/appexceptionhook.h"
#include "comms/net/tapdsocket.h"
#include "common/pump.h"
#include "comms/net/offlineresolver.h"
#include "peers/tcppeer.h"

#include <QStringList>
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sys/socket.h>

namespace {

// A socket component that writes its events into a log: "accept 5", "read 7", "error 7 10054".
struct LoggedSocket {
    TApdSocket sock;
    QStringList log;

    LoggedSocket()
    {
        const auto note = [this](const char* what) {
            return [this, what](QObject*, TSocket s) { log << QStringLiteral("%1 %2").arg(what).arg(s); };
        };
        sock.OnWsAccept = note("accept");
        sock.OnWsConnect = note("connect");
        sock.OnWsDisconnect = note("disconnect");
        sock.OnWsRead = note("read");
        sock.OnWsWrite = note("write");
        sock.OnWsError = [this](QObject*, TSocket s, int code) { log << QStringLiteral("error %1 %2").arg(s).arg(code); };
    }
    int count(const QString& entry) const { return int(log.count(entry)); }
    bool has(const QString& entry) const { return log.contains(entry); }
};

TSockAddrIn loopback(uint16_t port)
{
    TSockAddrIn a;
    a.sin_port = htons(port);
    a.sin_addr = htonl(INADDR_LOOPBACK);
    return a;
}

QString ev(const char* what, TSocket s) { return QStringLiteral("%1 %2").arg(what).arg(s); }

// A client socket of `side` connecting to 127.0.0.1:port with the usual events selected.
TSocket connectClient(LoggedSocket& side, uint16_t port)
{
    const TSocket c = side.sock.CreateSocket();
    side.sock.SetAsyncStyles(c, FD_CONNECT | FD_READ | FD_WRITE | FD_CLOSE);
    EXPECT_EQ(side.sock.ConnectSocket(c, loopback(port)), SOCKET_ERROR);  // would block: not an error
    return c;
}

}  // namespace

// Two components talking: the exact events of a connection's life on both sides.
TEST(TApdSocketTest, ConversationBetweenTwoSocketsGivesWinsockEventSequence)
{
    LoggedSocket server, client;
    const TSocket listener = server.sock.CreateSocket();
    server.sock.SetAsyncStyles(listener, FD_ACCEPT | FD_READ | FD_WRITE | FD_CLOSE);
    ASSERT_EQ(server.sock.BindSocket(listener, loopback(0)), 0);
    TSockAddrIn bound;
    int32_t len = sizeof bound;
    ASSERT_EQ(SockFuncs.getsockname(listener, &bound, &len), 0);
    ASSERT_EQ(server.sock.ListenSocket(listener, 5), 0);

    TSocket accepted = INVALID_SOCKET;
    TSockAddrIn peer;
    server.sock.OnWsAccept = [&](QObject*, TSocket s) {
        server.log << ev("accept", s);
        accepted = server.sock.AcceptSocket(s, peer);
    };
    const TSocket c = connectClient(client, ntohs(bound.sin_port));
    ASSERT_TRUE(pumpUntil([&] { return client.log.size() >= 2 && server.log.size() >= 2; }));
    EXPECT_EQ(client.log, QStringList({ev("connect", c), ev("write", c)}));
    EXPECT_EQ(server.log, QStringList({ev("accept", listener), ev("write", accepted)}));
    EXPECT_EQ(peer.sin_addr, htonl(INADDR_LOOPBACK));

    // A handler that does not read hears of the data once, however long it waits, also when
    // it waits inside the event (a dialog, a wait loop).
    server.sock.OnWsRead = [&](QObject*, TSocket s) {
        server.log << ev("read", s);
        pumpFor(100);
    };
    ASSERT_EQ(client.sock.WriteSocket(c, "hello", 5, 0), 5);
    ASSERT_TRUE(pumpUntil([&] { return server.has(ev("read", accepted)); }));
    pumpFor(150);
    EXPECT_EQ(server.count(ev("read", accepted)), 1);

    // Reading arms the next FD_READ; the close comes only after everything was read.
    QByteArray got;
    server.sock.OnWsRead = [&](QObject*, TSocket s) {
        server.log << ev("read", s);
        char buf[2];  // small reads: the rest must announce itself again
        const int n = server.sock.ReadSocket(s, buf, sizeof buf, 0);
        if (n > 0)
            got.append(buf, n);
    };
    server.sock.OnWsDisconnect = [&](QObject*, TSocket s) {
        server.log << ev("disconnect", s) + " after " + QString::fromLatin1(got);
    };
    char first[5];
    ASSERT_EQ(server.sock.ReadSocket(accepted, first, 5, 0), 5);
    ASSERT_EQ(client.sock.WriteSocket(c, "bye!!", 5, 0), 5);
    ASSERT_EQ(client.sock.CloseSocket(c), 0);
    ASSERT_TRUE(pumpUntil([&] { return server.log.last().startsWith("disconnect"); }));
    EXPECT_EQ(server.log.last(), ev("disconnect", accepted) + " after bye!!");
    pumpFor(100);
    EXPECT_TRUE(server.log.last().startsWith("disconnect"));  // once, and nothing after it

    server.sock.CloseSocket(accepted);
    server.sock.CloseSocket(listener);
}

// Failures arrive as error events with Windows Sockets numbers, never as raw errno values.
TEST(TApdSocketTest, RefusedConnectAndResetPeerReportWinsockCodes)
{
    uint16_t closedPort;
    {
        TcpPeer gone;
        closedPort = gone.port();
    }
    LoggedSocket refused;
    const TSocket r = connectClient(refused, closedPort);
    ASSERT_TRUE(pumpUntil([&] { return !refused.log.isEmpty(); }));
    EXPECT_EQ(refused.log, QStringList({QStringLiteral("error %1 %2").arg(r).arg(wsaEConnRefused)}));
    refused.sock.CloseSocket(r);

    // Without an OnWsError handler the error reaches the application's handler, not the
    // event loop (which would end the process).
    int handled = 0;
    SetAppExceptionHandler([&](const std::exception& e) {
        if (const auto* se = dynamic_cast<const EApdSocketException*>(&e))
            handled = se->ErrorCode;
    });
    LoggedSocket unhandled;
    unhandled.sock.OnWsError = nullptr;
    const TSocket u = connectClient(unhandled, closedPort);
    EXPECT_TRUE(pumpUntil([&] { return handled != 0; }));
    SetAppExceptionHandler(nullptr);
    EXPECT_EQ(handled, wsaEConnRefused);
    unhandled.sock.CloseSocket(u);

    TcpPeer peer;
    LoggedSocket client;
    const TSocket c = connectClient(client, peer.port());
    ASSERT_TRUE(pumpUntil([&] { return peer.tryAccept() && client.has(ev("write", c)); }));
    peer.reset();
    ASSERT_TRUE(pumpUntil([&] { return client.log.size() > 2; }));
    EXPECT_EQ(client.log.last(), QStringLiteral("error %1 %2").arg(c).arg(wsaEConnReset));
    client.sock.CloseSocket(c);
}

// A full send buffer is not an error; FD_WRITE comes once after each would-block, so a
// writer driven by it moves everything and then hears nothing more.
TEST(TApdSocketTest, WriteEventsFollowWouldBlocksUntilEverythingIsSent)
{
    TcpPeer peer;
    LoggedSocket client;
    const TSocket c = connectClient(client, peer.port());
    const int small = 4096;
    client.sock.SetSocketOptions(c, SOL_SOCKET_WS, SO_SNDBUF_WS, &small, 4);
    QByteArray data(2 * 1024 * 1024, '\0');
    for (int i = 0; i < data.size(); ++i)
        data[i] = char(i * 7 + i / 251);
    int sent = 0, writeEvents = 0, wouldBlocks = 0;
    client.sock.OnWsWrite = [&](QObject*, TSocket s) {
        ++writeEvents;
        while (sent < data.size()) {
            const int n = client.sock.WriteSocket(s, data.constData() + sent, int(data.size()) - sent, 0);
            if (n <= 0) {
                ++wouldBlocks;
                EXPECT_EQ(SockFuncs.WSAGetLastError(), wsaEWouldBlock);
                break;
            }
            sent += n;
        }
    };
    ASSERT_TRUE(pumpUntil([&] {
        peer.tryAccept();
        if (peer.connected())
            peer.poll();
        return peer.received().size() == data.size();
    }, 20000));
    pumpFor(100);
    EXPECT_EQ(peer.received(), data);
    EXPECT_GT(wouldBlocks, 0);
    EXPECT_EQ(writeEvents, wouldBlocks + 1);  // the first after the connect, then one per block
    EXPECT_FALSE(client.log.join(',').contains("error"));
    client.sock.CloseSocket(c);
}

TEST(TApdSocketTest, AddressConversionsParseTheWholeText)
{
    TApdSocket s;
    struct Case {
        const char* text;
        uint32_t hostOrder;  // 0xFFFFFFFF: not an address
    };
    // Decimal dotted quads only: leading zeros are decimal, no octal, hexadecimal or short forms.
    const Case cases[] = {
        {"192.168.0.1", 0xC0A80001},     {"127.0.0.1", 0x7F000001},     {"10.1", 0xFFFFFFFF},
        {"192.168.100.200 ", 0xFFFFFFFF}, {" 192.168.0.1", 0xFFFFFFFF}, {"192.168.0.1x", 0xFFFFFFFF},
        {"192.168.0.1.5", 0xFFFFFFFF},   {"192.168.000.0012", 0xFFFFFFFF}, {"device-7", 0xFFFFFFFF},
        {"", 0xFFFFFFFF},                {"010.000.000.001", 0x0A000001}, {"10.0.0.009", 0x0A000009},
        {"0x0a.0.0.1", 0xFFFFFFFF},      {"1.2.3.256", 0xFFFFFFFF},      {"1..2.3", 0xFFFFFFFF},
    };
    for (const Case& c : cases)
        EXPECT_EQ(s.String2NetAddr(QString::fromLatin1(c.text)), htonl(c.hostOrder)) << c.text;
    // A name lookup reads a dotted quad the same way and refuses the system's other forms.
    EXPECT_EQ(s.LookupName("010.000.000.001"), htonl(0x0A000001));
    for (const char* other : {"10.1", "0x0a.0.0.1", "192.168.000.0012", "167772161"})
        EXPECT_EQ(s.LookupName(other), 0u) << other;
    EXPECT_EQ(s.NetAddr2String(htonl(0xC0A80001)), "192.168.0.1");
    OfflineResolver offline;
    const int asked = OfflineResolver::asked;
    EXPECT_EQ(s.LookupName("localhost"), htonl(INADDR_LOOPBACK));
    EXPECT_EQ(s.LookupName("no-such-host.invalid"), 0u);
    EXPECT_EQ(OfflineResolver::asked, asked + 2) << "names go through the look-up";
    EXPECT_EQ(s.LookupService("no-such-service"), 0);
    // Where the system's services table lists it.
    EXPECT_TRUE(s.LookupPort(21) != "ftp" || s.LookupService("ftp") == 21);
}

TEST(TApdSocketTest, StartUpFailuresRaiseOnFirstUseWithTheirTexts)
{
    SetWinsockMissingForTest(true);
    {
        TApdSocket s;
        EXPECT_EQ(s.Handle(), 0u);
        try {
            s.CreateSocket();
            ADD_FAILURE() << "no exception";
        } catch (const EApdSocketException& e) {
            EXPECT_EQ(e.ErrorCode, ecADWSLOADERROR);
            EXPECT_EQ(e.Message, "Winsock not initialized - Error loading Winsock DLL");
        }
    }
    SetWinsockMissingForTest(false);
    SetWinsockVersionForTest(0x0202);
    {
        TApdSocket s;
        EXPECT_NE(s.Handle(), 0u);
        try {
            s.String2NetAddr("1.2.3.4");
            ADD_FAILURE() << "no exception";
        } catch (const EApdSocketException& e) {
            EXPECT_EQ(e.Message, "Winsock not initialized - Incorrect version of Winsock");
        }
    }
    SetWinsockVersionForTest(0);
    // Without an error handler a socket failure raises with the code's text.
    TApdSocket s;
    try {
        s.DoError(3, wsaEConnRefused);
        ADD_FAILURE() << "no exception";
    } catch (const EApdSocketException& e) {
        EXPECT_EQ(e.ErrorCode, wsaEConnRefused);
        EXPECT_FALSE(e.Message.isEmpty());
    }
    for (int code : {ecADWSERROR, ecADWSLOADERROR, ecADWSVERSIONERROR, ecADWSINVPORT, ecADWSCANTCHANGE,
                     ecADWSCANTRESOLVE, wsaEWouldBlock, wsaENotSock, wsaEAddrInUse, wsaENetUnreach, wsaENetReset,
                     wsaEConnAborted, wsaEConnReset, wsaENotConn, wsaEShutDown, wsaETimedOut, wsaEConnRefused,
                     wsaEHostUnreach, wsaHost_Not_Found, wsaTry_Again, wsaNo_Recovery, wsaNo_Data})
        EXPECT_FALSE(ErrorMsg(int16_t(code)).isEmpty()) << code;
}
