#include "comms/net/tapdwinsockdispatcher.h"
#include "common/bytes.h"

#include <QByteArray>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// A connection whose data socket is one end of a socket pair; the test is the peer.
struct PairedConnection {
    int sv[2] = {-1, -1};
    std::unique_ptr<TWsConnection> conn;

    PairedConnection(int ringSize, bool telnet)
    {
        ApdDeviceSocket();  // the socket table
        ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, sv);
        conn = std::make_unique<TWsConnection>(ringSize, 64);
        conn->DataSocket = sv[0];
        conn->IsTelnet = telnet;
        conn->ConnState = wcsConnected;
    }
    ~PairedConnection()
    {
        conn.reset();
        ::close(sv[0]);
        ::close(sv[1]);
    }
    // What the peer has received so far.
    QByteArray peerGot()
    {
        QByteArray got;
        char buf[256];
        ssize_t n;
        while ((n = ::recv(sv[1], buf, sizeof buf, 0)) > 0)
            got.append(buf, n);
        return got;
    }
    // Feeds `in` in pieces of `step` bytes, collecting what the connection delivers.
    QByteArray feed(const QByteArray& in, int step)
    {
        QByteArray out;
        char buf[64];
        for (qsizetype at = 0; at < in.size(); at += step) {
            EXPECT_EQ(::send(sv[1], in.constData() + at, size_t(std::min<qsizetype>(step, in.size() - at)), 0),
                      std::min<qsizetype>(step, in.size() - at));
            for (int n; (n = conn->ReadBuf(buf, 3)) > 0;)  // small reads: sequences straddle them too
                out.append(buf, n);
        }
        return out;
    }
};


constexpr int IAC = 255, DONT = 254, DO = 253, WONT = 252, WILL = 251, SB = 250, SE = 240, NOP = 241;

}  // namespace

// Every row: what the peer sends, what the port delivers, what the peer gets back. Each row
// runs whole, byte by byte, and through a 4-byte ring that wraps inside the sequences.
TEST(TWsConnectionTest, TelnetTable)
{
    struct Row {
        const char* name;
        QByteArray in, delivered, answer;
    };
    const QByteArray vt100 = B({IAC, SB, 24, 0}) + "vt100" + B({IAC, SE});
    const Row rows[] = {
        {"IAC IAC is one 255", "a" + B({IAC, IAC}) + "b", "a" + B({IAC}) + "b", ""},
        {"CR NUL is CR", B({'x', 13, 0, 'y'}), B({'x', 13, 'y'}), ""},
        {"CR LF stays", "x\r\ny", "x\r\ny", ""},
        {"DO 24", B({IAC, DO, 24}) + "z", "z", B({IAC, WILL, 24})},
        {"SB 24 SEND", B({IAC, SB, 24, 1, IAC, SE}) + "z", "z", vt100},
        {"SB of another option", B({IAC, SB, 31, 0, 80, 0, 24, IAC, SE}) + "z", "z", ""},
        {"WILL echo", B({IAC, WILL, 1}), "", B({IAC, DO, 1})},
        {"WONT echo", B({IAC, WONT, 1}), "", B({IAC, DONT, 1})},
        {"DO echo", B({IAC, DO, 1}), "", B({IAC, WONT, 1})},
        {"DONT echo", B({IAC, DONT, 1}), "", B({IAC, WONT, 1})},
        {"WILL sga", B({IAC, WILL, 3}), "", B({IAC, DO, 3})},
        {"DO sga while off", B({IAC, DO, 3}), "", B({IAC, WONT, 3})},
        {"DONT sga", B({IAC, DONT, 3}), "", B({IAC, WONT, 3})},
        {"WILL binary, then CR NUL is data", B({IAC, WILL, 0, 'a', 13, 0, 'b'}), B({'a', 13, 0, 'b'}), B({IAC, DO, 0})},
        {"DO binary", B({IAC, DO, 0}), "", B({IAC, WILL, 0})},
        {"WONT binary", B({IAC, WONT, 0}), "", B({IAC, DONT, 0})},
        {"DONT binary", B({IAC, DONT, 0}), "", B({IAC, WONT, 0})},
        {"WILL 24", B({IAC, WILL, 24}), "", B({IAC, DONT, 24})},
        {"WONT 24", B({IAC, WONT, 24}), "", B({IAC, DONT, 24})},
        {"DONT 24", B({IAC, DONT, 24}), "", B({IAC, WONT, 24})},
        {"WILL other", B({IAC, WILL, 99}), "", B({IAC, DONT, 99})},
        {"DO other", B({IAC, DO, 99}), "", B({IAC, WONT, 99})},
        {"NOP is dropped", B({'a', IAC, NOP, 'b'}), "ab", ""},
    };
    for (const Row& r : rows) {
        for (const auto& [ring, step] : {std::pair{64, 1000}, std::pair{64, 1}, std::pair{4, 1}, std::pair{4, 3}}) {
            SCOPED_TRACE(testing::Message() << r.name << ", ring " << ring << ", step " << step);
            PairedConnection p(ring, true);
            EXPECT_EQ(p.feed(r.in, step), r.delivered);
            EXPECT_EQ(p.peerGot(), r.answer);
        }
    }
}

TEST(TWsConnectionTest, OutputDoublesIacAndSendsLoneCrAsCrNul)
{
    PairedConnection telnet(64, true);
    const QByteArray out = "a" + B({IAC}) + "b\rc\r\n";
    EXPECT_EQ(telnet.conn->WriteBuf(out.constData(), int(out.size())), out.size());
    EXPECT_EQ(telnet.peerGot(), "a" + B({IAC, IAC}) + "b" + B({13, 0}) + "c\r\n");

    PairedConnection plain(64, false);
    EXPECT_EQ(plain.conn->WriteBuf(out.constData(), int(out.size())), out.size());
    EXPECT_EQ(plain.peerGot(), out);
    EXPECT_EQ(plain.feed(B({IAC, DO, 24, 13, 0}), 1), B({IAC, DO, 24, 13, 0}));
    EXPECT_EQ(plain.peerGot(), "");
    // An idle connection sends nothing and counts nothing pending.
    EXPECT_EQ(plain.conn->GetOutChars(), 0);
}
