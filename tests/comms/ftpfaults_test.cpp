// The FTP client where servers misbehave: a scripted server plays what no real server does on
// request; the abort of a long download runs against vsftpd, pyftpdlib and a silent server.
#include "comms/tapdwinsockdispatcher.h"
#include "common/netns.h"
#include "ftpclientfixture.h"
#include "peers/scriptedftp.h"

#include <QElapsedTimer>
#include <sys/stat.h>

namespace {

using namespace ftptest;
using Session = ScriptedFtp::Session;

class FtpScriptedTest : public FtpClientTest {
protected:
    void StartScripted(ScriptedFtp::Handler H, const char* PasvHost = "127,0,0,1")
    {
        server = std::make_unique<ScriptedFtp>(std::move(H), PasvHost);
        ASSERT_TRUE(server->ok());
        Point(server->Port(), QStringLiteral("kqv"));
        client.SetPassiveMode(true);
        LogIn();
    }
    QByteArrayList Sent() const { return server ? server->Commands() : QByteArrayList(); }

    std::unique_ptr<ScriptedFtp> server;
};

bool AnyOf(const Events& Got, const std::vector<Events>& Expected)
{
    return std::find(Expected.begin(), Expected.end(), Got) != Expected.end();
}

// The server's final reply to a transfer whose data connection failed comes late: it belongs
// to that transfer, never to the next command, whichever of the reset and the 1xx came first.
TEST_F(FtpScriptedTest, AFailedTransferWaitsForItsFinalReply)
{
    const struct {
        const char* name;
        std::function<void(Session&)> retr;
    } rows[] = {
        {"150, then a reset", [](Session& S) { S.Reply("150 go"), S.SendData("data"), S.ResetData(); }},
        {"reset, then 150", [](Session& S) { S.SendData("data"), S.ResetData(), S.Pause(100), S.Reply("150 go"); }},
        {"no 1xx at all", [](Session& S) { S.SendData("data"), S.ResetData(); }},
    };
    StartScripted([rows](Session& S, const QByteArray& Verb, const QByteArray& Arg) {
        if (Verb != "RETR")
            return false;
        S.AcceptData();
        rows[Arg.toInt()].retr(S);
        S.Pause(300);
        S.Reply("426 connection reset");
        return true;
    });
    for (size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(rows[i].name);
        const Events got = Run([&] { return client.Retrieve(QString::number(i), local + "/f", rmReplace); });
        EXPECT_TRUE(AnyOf(got, {{"log lcReceive", "error 10054"}, {"log lcReceive", "error 426"}}))
            << ::testing::PrintToString(got);
        EXPECT_EQ(Run([&] { return client.ChangeDir(QStringLiteral("x")); }), Events{"status scComplete"});
    }
    EXPECT_EQ(Sent().count("CWD x"), 3);
}

// A transfer ends when the data connection has closed and the final 226 is in, in either
// order and with or without a 1xx; a data connection left open after the 226 times out.
TEST_F(FtpScriptedTest, TransferEndsOnDataCloseAndFinalReply)
{
    const QByteArray data = Pattern(100000);
    const struct {
        const char* name;
        std::function<void(Session&)> retr;
        Events expected;
    } rows[] = {
        {"226 without a 1xx", [data](Session& S) { S.SendData(data), S.CloseData(), S.Pause(50), S.Reply("226 done"); },
         {"log lcReceive", "status scTransferOK"}},
        {"226 before the close",
         [data](Session& S) { S.Reply("150 go"), S.SendData(data), S.Reply("226 done"), S.Pause(100), S.CloseData(); },
         {"log lcReceive", "status scTransferOK"}},
        {"data never closed", [data](Session& S) { S.Reply("150 go"), S.SendData(data), S.Reply("226 done"); },
         {"log lcReceive", "status scClose"}},
    };
    StartScripted([rows](Session& S, const QByteArray& Verb, const QByteArray& Arg) {
        if (Verb != "RETR")
            return false;
        S.AcceptData();
        rows[Arg.toInt()].retr(S);
        return true;
    });
    client.SetTransferTimeout(10);
    for (size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(rows[i].name);
        const QString target = local + QStringLiteral("/f%1").arg(i);
        EXPECT_EQ(Run([&] { return client.Retrieve(QString::number(i), target, rmReplace); }), rows[i].expected);
        if (rows[i].expected.back() == "status scTransferOK")
            EXPECT_TRUE(ReadFile(target) == data);
        EXPECT_EQ(Run([&] { return client.CurrentDir(); }), Events{"status scCurrentDir"});
    }
}

// Only the port of a 227 reply is used; the data connection goes to the control connection's
// server, and the dispatch log names the address the reply gave. In a namespace of its own, so
// that no connection to the named hosts can leave the machine.
TEST_F(FtpScriptedTest, PassiveReplyNamingAnotherHostConnectsToTheServer)
{
    QWL_RUN_IN_OWN_NETNS();
    for (const char* host : {"127,0,0,99", "10,1,2,3"}) {
        SCOPED_TRACE(host);
        StartScripted(
            [](Session& S, const QByteArray& Verb, const QByteArray&) {
                if (Verb != "RETR")
                    return false;
                S.AcceptData();
                S.Reply("150 go"), S.SendData("abc"), S.CloseData(), S.Reply("226 done");
                return true;
            },
            host);
        client.SetLogName(tmp.path() + QStringLiteral("/LNKR.LOG"));
        client.SetLogging(tlOn);
        EXPECT_EQ(Run([&] { return client.Retrieve(QStringLiteral("f"), local + "/f", rmReplace); }),
                  (Events{"log lcReceive", "status scTransferOK"}));
        EXPECT_EQ(server->DataPeer(), "127.0.0.1");
        client.SetLogging(tlDump);
        // The dump wraps long records and writes blanks as [20].
        const QByteArray dump = ReadFile(client.LogName()).replace("\n" + QByteArray(44, ' '), "").replace("[20]", " ");
        EXPECT_TRUE(dump.contains("PASV reply names " + QByteArray(host).replace(',', '.') +
                                  ", data connection to 127.0.0.1"))
            << dump.toStdString();
        client.SetOpen(false);
        pumpFor(20);
    }
}

// A name listed as bytes beyond ASCII is asked for by the same bytes (IAC doubled on the
// wire, as telnet wants it); a line holding a NUL leaves the listing, and only that line.
TEST_F(FtpScriptedTest, ListedNamesAreFetchedByTheirBytes)
{
    static const char bytes[] = "a.dbb\r\n\xFF\xFE\r\nbad\0name\r\n\xE4.dbb\r\n";
    StartScripted([](Session& S, const QByteArray& Verb, const QByteArray& Arg) {
        if (Verb == "NLST") {
            S.AcceptData();
            S.Reply("150 list"), S.SendData(QByteArray(bytes, sizeof bytes - 1)), S.CloseData(), S.Reply("226 done");
        } else if (Verb == "RETR" && Arg == "\xFF\xFE") {
            S.AcceptData();
            S.Reply("150 go"), S.SendData("x"), S.CloseData(), S.Reply("226 done");
        } else if (Verb == "RETR") {
            S.Reply("550 " + Arg);
        } else {
            return false;
        }
        return true;
    });
    EXPECT_EQ(Run([&] { return client.ListDir(QString(), false); }), Events{"status scDataAvail"});
    EXPECT_EQ(rec.texts.back(), std::string("a.dbb\r\n\xFF\xFE\r\n\xE4.dbb\r\n"));
    const QString name = QString::fromLatin1("\xFF\xFE");
    EXPECT_EQ(Run([&] { return client.Retrieve(name, local + "/f", rmReplace); }),
              (Events{"log lcReceive", "status scTransferOK"}));
    EXPECT_EQ(Sent().last(), QByteArray("RETR \xFF\xFE"));
    // A name that Latin-1 cannot carry is refused, not sent as something else.
    EXPECT_EQ(Run([&] { return client.Retrieve(QStringLiteral("\u03A9.dbb"), local + "/g", rmReplace); }),
              Events{"refused"});
}

// The control port "ftp" is 21 where the services table does not know it (no netbase).
TEST_F(FtpScriptedTest, FtpPortWithoutServicesTable)
{
    QWL_RUN_IN_OWN_NETNS();
    ScriptedFtp on21({}, "127,0,0,1", "127.0.0.1", 21);
    ASSERT_TRUE(on21.ok());
    ApdDeviceSocket();  // loads the socket table now, so that the stand-in below stays
    struct NoServices {
        decltype(SockFuncs.getservbyname) saved = SockFuncs.getservbyname;
        NoServices() { SockFuncs.getservbyname = [](const char*, const char*) -> const TServEnt* { return nullptr; }; }
        ~NoServices() { SockFuncs.getservbyname = saved; }
    } noServices;
    client.SetServerAddress(QStringLiteral("127.0.0.1"));
    client.SetUserName(QStringLiteral("kqv"));
    EXPECT_EQ(client.WsPort(), QStringLiteral("ftp"));
    EXPECT_NO_THROW(LogIn());
}

// ---- Abort of a long download ----

struct AbortCase {
    const char* server;
    Events expected;
    bool nextCommand;  // the connection is usable afterwards
};

class FtpAbortTest : public FtpScriptedTest, public ::testing::WithParamInterface<AbortCase> {};

// The abort ends, with one final event, long before the transfer time-out (60 s here, as in
// the download window); the exact time is in the benchmark.
TEST_P(FtpAbortTest, EndsInTimeAndOnce)
{
    const AbortCase& c = GetParam();
    const std::string kind = c.server;
    const qint64 size = 300LL << 20;
    std::unique_ptr<VsftpdPeer> vs;
    client.SetPassiveMode(true);
    const auto bigFile = [&] {
        QFile f(root + QStringLiteral("/big.bin"));
        return f.open(QIODevice::WriteOnly) && f.resize(size);  // sparse
    };
    if (kind == "vsftpd") {
        ::chmod(QFile::encodeName(tmp.path()).constData(), 0755);
        ::chmod(QFile::encodeName(root).constData(), 0755);
        ASSERT_TRUE(bigFile());
        QFile::setPermissions(root + QStringLiteral("/big.bin"), QFile::ReadOwner | QFile::ReadOther);
        vs = std::make_unique<VsftpdPeer>(root);
        QString why;
        if (!vs->Start(&why))
            GTEST_SKIP() << "vsftpd cannot run here: " << why.toStdString();
        Point(vs->Port(), QStringLiteral("anonymous"));
        LogIn();
    } else if (kind == "pyftpdlib") {
        ASSERT_TRUE(bigFile());
        StartPeer();
        client.SetPassiveMode(true);
        LogIn();
    } else {
        const bool late = kind == "late";
        StartScripted([late](Session& S, const QByteArray& Verb, const QByteArray&) {
            if (Verb == "RETR") {
                S.AcceptData();
                S.Reply("150 go"), S.SendData(QByteArray(1 << 20, 'x'));
                if (!late)
                    S.Mute();
            } else if (Verb == "ABOR") {
                S.Pause(2500), S.Reply("426 aborted"), S.Reply("226 abort done");
            } else {
                return false;
            }
            return true;
        });
    }
    client.SetTransferTimeout(1092);
    const size_t mark = rec.events.size();
    ASSERT_TRUE(client.Retrieve(QStringLiteral("big.bin"), local + QStringLiteral("/big.bin"), rmReplace));
    ASSERT_TRUE(pumpUntil([&] { return client.BytesTransferred() >= (1 << 20) || HasFinal(mark); }, 20000));
    QElapsedTimer t;
    t.start();
    ASSERT_TRUE(rec.Call([&] { return client.Abort(); }));
    EXPECT_FALSE(client.Abort());  // once
    pumpUntil([&] { return HasFinal(mark); }, 30000);
    const qint64 ms = t.elapsed();
    pumpFor(100);
    EXPECT_LT(ms, 10000);
    EXPECT_EQ(rec.Since(mark), c.expected);
    EXPECT_EQ(client.ProcessState(), TFtpProcessState::psIdle);
    EXPECT_FALSE(rec.firedInCall);
    if (c.nextCommand)
        EXPECT_EQ(Run([&] { return client.CurrentDir(); }), Events{"status scCurrentDir"});
}

INSTANTIATE_TEST_SUITE_P(
    Servers, FtpAbortTest,
    ::testing::Values(AbortCase{"vsftpd", {"log lcReceive", "log lcUserAbort", "error 426"}, true},
                      AbortCase{"pyftpdlib", {"log lcReceive", "log lcUserAbort", "error 426"}, true},
                      AbortCase{"silent", {"log lcReceive", "log lcUserAbort", "status scClose"}, false},
                      AbortCase{"late", {"log lcReceive", "log lcUserAbort", "status scClose"}, true}),
    [](const auto& I) { return std::string(I.param.server); });

}  // namespace
