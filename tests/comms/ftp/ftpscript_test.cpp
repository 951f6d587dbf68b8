// The FTP client in scripted conversations: the server's end is played from the test, for
// faults that no real server shows on request.
#include "comms/net/tapdwinsockdispatcher.h"
#include "common/netns.h"
#include "comms/ftp/ftpclientfixture.h"

#include <QElapsedTimer>

namespace {

using namespace ftptest;

// A transfer whose data connection fails waits for the server's final reply, whether the reset
// or the 1xx comes first, so that reply never answers the next command.
TEST_F(FtpClientTest, AFailedTransferWaitsForItsFinalReply)
{
    Script s;
    Point(s.ctl.port(), QStringLiteral("kqv"));
    ScriptedLogIn(s);
    for (const char* order : {"150, reset", "reset, 150", "reset"}) {
        SCOPED_TRACE(order);
        const size_t mark = rec.events.size();
        ASSERT_TRUE(client.Retrieve(QStringLiteral("f"), local + "/f", rmReplace));
        ASSERT_EQ(s.Until("RETR"), "RETR f");
        ASSERT_TRUE(s.AcceptData());
        if (order[0] == '1')
            s.Say("150 go");
        s.data.send("data");
        s.data.reset();
        pumpFor(100);
        if (order[0] == 'r' && order[5] == ',')
            s.Say("150 go");
        pumpFor(100);
        // The caller goes on at once when the transfer has ended.
        const bool early = client.ChangeDir(QStringLiteral("x"));
        s.Say("426 connection reset");
        ASSERT_TRUE(pumpUntil([&] { return HasFinal(mark); }));
        ASSERT_TRUE(early || client.ChangeDir(QStringLiteral("x")));
        ASSERT_EQ(s.Until("CWD"), "CWD x");
        s.Say("250 changed");
        pumpUntil([&] { return !client.InProgress(); });
        pumpFor(20);
        const Events got = rec.Since(mark);
        EXPECT_TRUE(got == (Events{"log lcReceive", "error 10054", "status scComplete"}) ||
                    got == (Events{"log lcReceive", "error 426", "status scComplete"}))
            << ::testing::PrintToString(got);
    }
}

// A store whose data write fails (reset): the failure ends the transfer, the file it closed is
// not touched again, and the next command works.
TEST_F(FtpClientTest, AStoreWhoseWriteFailsEndsCleanly)
{
    Script s;
    Point(s.ctl.port(), QStringLiteral("kqv"));
    ScriptedLogIn(s);
    ASSERT_TRUE(WriteFile(local + "/big.bin", Pattern(1 << 20)));
    static int sends = 0;
    static const auto realSend = SockFuncs.send;
    const std::shared_ptr<void> restore(nullptr, [](void*) { SockFuncs.send = realSend; });
    SockFuncs.send = [](TSocket S, const char* Buf, int Len, int Flags) {
        if (Len < 4096 || ++sends < 3)  // commands, and the file's first blocks
            return realSend(S, Buf, Len, Flags);
        return SockFuncs.WSASetLastError(wsaEConnReset), SOCKET_ERROR;
    };
    const size_t mark = rec.events.size();
    ASSERT_TRUE(client.Store(QStringLiteral("big.bin"), local + "/big.bin", smReplace));
    ASSERT_EQ(s.Until("STOR"), "STOR big.bin");
    ASSERT_TRUE(s.AcceptData());
    s.Say("150 go"), pumpFor(100), s.Say("426 connection reset");
    ASSERT_TRUE(pumpUntil([&] { return HasFinal(mark); }));
    pumpFor(20);
    EXPECT_EQ(rec.Since(mark), (Events{"log lcStore", "error 10054"}));
    EXPECT_EQ(Answer(s, [&] { return client.CurrentDir(); }, "PWD", "257 \"/\""), Events{"status scCurrentDir"});
}

// A transfer ends once the data connection has closed and the final reply is in, in either
// order and with or without a 1xx; a data connection left open after the 226 times out.
TEST_F(FtpClientTest, ATransferEndsOnDataCloseAndFinalReply)
{
    Script s;
    Point(s.ctl.port(), QStringLiteral("kqv"));
    ScriptedLogIn(s);
    client.SetTransferTimeout(10);
    const QByteArray data = Pattern(100000);
    const struct {
        const char* name;
        bool preliminary, closeFirst, close;
        const char* final;
    } rows[] = {
        {"226 without a 1xx", false, true, true, "status scTransferOK"},
        {"226 before the close", true, false, true, "status scTransferOK"},
        {"data never closed", true, false, false, "status scClose"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        const size_t mark = rec.events.size();
        ASSERT_TRUE(client.Retrieve(QStringLiteral("f"), local + "/f", rmReplace));
        s.Until("RETR");
        ASSERT_TRUE(s.AcceptData());
        if (r.preliminary)
            s.Say("150 go");
        s.data.send(data);
        if (r.closeFirst)
            s.data.close();
        s.Say("226 done");
        if (r.close && !r.closeFirst)
            pumpFor(50), s.data.close();
        pumpUntil([&] { return HasFinal(mark); }, 10000);
        pumpFor(20);
        EXPECT_EQ(rec.Since(mark), (Events{"log lcReceive", r.final}));
        EXPECT_TRUE(!r.close || ReadFile(local + "/f") == data);
        EXPECT_EQ(Answer(s, [&] { return client.CurrentDir(); }, "PWD", "257 \"/\""), Events{"status scCurrentDir"});
    }
}

// Only the port of a 227 reply is used: the data connection goes to the server we talk to,
// and the dispatch log names the address the reply gave, as it notes each change of state. In a namespace of its own, so that
// nothing can reach the hosts named.
TEST_F(FtpClientTest, A227NamingAnotherHostConnectsToTheServer)
{
    QWL_RUN_IN_OWN_NETNS();
    for (const char* host : {"127,0,0,99", "10,1,2,3"}) {
        SCOPED_TRACE(host);
        Script s;
        s.pasvHost = host;
        Point(s.ctl.port(), QStringLiteral("kqv"));
        ScriptedLogIn(s);
        client.SetLogName(tmp.path() + QStringLiteral("/LNKR.LOG"));
        client.SetLogging(tlOn);
        const size_t mark = rec.events.size();
        ASSERT_TRUE(client.Retrieve(QStringLiteral("f"), local + "/f", rmReplace));
        s.Until("RETR");
        ASSERT_TRUE(s.AcceptData());
        s.Say("150 go"), s.data.send("abc"), s.data.close(), s.Say("226 done");
        pumpUntil([&] { return HasFinal(mark); });
        EXPECT_EQ(rec.Since(mark), (Events{"log lcReceive", "status scTransferOK"}));
        client.SetLogging(tlDump);
        // The dump wraps long records and writes blanks as [20].
        const QByteArray dump = ReadFile(client.LogName()).replace("\n" + QByteArray(44, ' '), "").replace("[20]", " ");
        EXPECT_TRUE(dump.contains("PASV reply names " + QByteArray(host).replace(',', '.') +
                                  ", data connection to 127.0.0.1"));
        // Every change of the state is noted there, old -> new.
        EXPECT_TRUE(dump.contains("FTP psIdle -> psGet") && dump.contains("FTP psGet -> psIdle"));
        client.SetOpen(false);
    }
}

// A name listed as bytes beyond ASCII is asked for by the same bytes; a listing line holding
// a NUL leaves the listing, and only that line. A name Latin-1 cannot carry is refused.
TEST_F(FtpClientTest, ListedNamesAreFetchedByTheirBytes)
{
    Script s;
    Point(s.ctl.port(), QStringLiteral("kqv"));
    ScriptedLogIn(s);
    const size_t mark = rec.events.size();
    ASSERT_TRUE(client.ListDir(QString(), false));
    s.Until("NLST");
    ASSERT_TRUE(s.AcceptData());
    static const char listing[] = "a.dbb\r\n\xFF\xFE\r\nbad\0name\r\n\xE4.dbb\r\n";
    s.Say("150 list"), s.data.send(QByteArray(listing, sizeof listing - 1)), s.data.close(), s.Say("226 done");
    ASSERT_TRUE(pumpUntil([&] { return HasFinal(mark); }));
    EXPECT_EQ(rec.texts.back(), std::string("a.dbb\r\n\xFF\xFE\r\n\xE4.dbb\r\n"));
    EXPECT_EQ(Answer(s, [&] { return client.Retrieve(QString::fromLatin1("\xFF\xFE"), local + "/f", rmReplace); },
                     "RETR \xFF\xFE", "550 missing"),
              (Events{"log lcReceive", "error 550"}));
    EXPECT_FALSE(client.Retrieve(QStringLiteral("\u03A9.dbb"), local + "/g", rmReplace));
}

// The control port "ftp" is 21 also where the services table does not list it (no netbase).
TEST_F(FtpClientTest, TheFtpPortIs21WithoutAServicesTable)
{
    QWL_RUN_IN_OWN_NETNS();
    Script s(21);
    ApdDeviceSocket();  // loads the socket table now, so that the stand-in below stays
    const auto lookup = SockFuncs.getservbyname;
    SockFuncs.getservbyname = [](const char*, const char*) -> const TServEnt* { return nullptr; };
    Point(0, QStringLiteral("kqv"));
    client.SetWsPort(QStringLiteral("ftp"));
    EXPECT_NO_THROW(ScriptedLogIn(s));
    SockFuncs.getservbyname = lookup;
}

// Against a server that does not answer the abort, the client gives up after a moment; the
// replies that come later are skipped and the next command gets its own.
TEST_F(FtpClientTest, AbortGivesUpOnASilentServerAndSkipsItsLateReplies)
{
    Script s;
    Point(s.ctl.port(), QStringLiteral("kqv"));
    ScriptedLogIn(s);
    const size_t mark = rec.events.size();
    ASSERT_TRUE(client.Retrieve(QStringLiteral("f"), local + "/f", rmReplace));
    s.Until("RETR");
    ASSERT_TRUE(s.AcceptData());
    s.Say("150 go"), s.data.send(QByteArray(65536, 'x'));
    ASSERT_TRUE(pumpUntil([&] { return client.BytesTransferred() == 65536; }));
    ASSERT_TRUE(client.Abort());
    EXPECT_FALSE(client.Abort());
    EXPECT_EQ(s.Next(), "ABOR");
    EXPECT_FALSE(s.data.poll()) << "the data connection is reset";
    EXPECT_TRUE(pumpUntil([&] { return HasFinal(mark); }, 30000));  // 1.5 s: see the benchmark
    EXPECT_EQ(rec.Since(mark), (Events{"log lcReceive", "log lcUserAbort", "status scClose"}));
    s.Say("426 aborted"), s.Say("226 abort done");
    EXPECT_EQ(Answer(s, [&] { return client.CurrentDir(); }, "PWD", "257 \"/\""), Events{"status scCurrentDir"});
}

// Nothing more from the client for a moment: true when it sent no command.
bool SendsNothing(Script& S)
{
    pumpFor(300);
    return !S.ctl.poll() || S.ctl.received().isEmpty();
}

// USER once per greeting: a second greeting line is the same one. A server answering USER with 220 ends the log-in:
// at once after a repeated greeting, else when USER's answer is overdue, well inside a transfer time-out of an hour.
TEST_F(FtpClientTest, TheLogInIsBoundedAgainstServersThatRepeatThemselves)
{
    for (const char* answer : {"331 password", "220 again", "220 ready"}) {
        SCOPED_TRACE(answer);
        Script s;
        Point(s.ctl.port(), QStringLiteral("kqv"));
        client.SetTransferTimeout(1092 * 60);
        pumpFor(20);
        const size_t mark = rec.events.size();
        const bool repeated = answer[5] != 'r', logsIn = answer[0] == '3';
        ASSERT_TRUE(client.Login() && pumpUntil([&] { return s.ctl.tryAccept(); }));
        s.Say("220 first");
        if (repeated)
            s.Say("220 second");
        EXPECT_EQ(s.Next(), "USER kqv");
        EXPECT_TRUE(!repeated || SendsNothing(s));
        s.Say(answer);
        if (logsIn)
            s.Say(s.Next() == "PASS kqv" ? "230 in" : "530 no");
        ASSERT_TRUE(pumpUntil([&] { return HasFinal(mark) || client.LoggedIn(); }));
        pumpFor(20);
        EXPECT_EQ(rec.Since(mark), logsIn ? (Events{"status scOpen", "status scLogin"})
                                          : (Events{"status scOpen", "error -7005", "status scClose"}));
        EXPECT_TRUE(logsIn || rec.texts.end()[-2] == "The FTP server does not complete the log-in: " + std::string(answer));
        EXPECT_TRUE(SendsNothing(s));
        client.SetOpen(false);
    }
}

// A full disk names path and reason; an abort answered by one 2xx ends at once, the next command
// gets its own reply; a reply while idle is an error; leaving a silent server takes its bound.
// The next command gets its own reply also when the abort's own 225 comes after the transfer's 2xx.
TEST_F(FtpClientTest, AbortWithOneReplyIdleErrorsAndAFullDisk)
{
    Script s;
    Point(s.ctl.port(), QStringLiteral("kqv"));
    ScriptedLogIn(s);
    for (const char* target : {"/dev/full", "", "225 no transfer to abort\r\n"}) {
        const bool full = *target == '/';
        const size_t mark = rec.events.size();
        ASSERT_TRUE(client.Retrieve(QStringLiteral("f"), full ? target : local + "/f", rmReplace));
        s.Until("RETR");
        ASSERT_TRUE(s.AcceptData());
        s.Say("150 go"), s.data.send("abc");
        if (full)
            s.data.close(), s.Say("226 done");
        else if (pumpUntil([&] { return client.BytesTransferred() == 3; }) && client.Abort() && s.Next() == "ABOR")
            s.Say("226 abort done");
        ASSERT_TRUE(pumpUntil([&] { return HasFinal(mark); }));
        EXPECT_EQ(rec.Since(mark), full ? (Events{"log lcReceive", "error -7002"})
                                        : (Events{"log lcReceive", "log lcUserAbort", "status scClose"}));
        if (!full) {
            const auto cwd = [&] { return client.ChangeDir(QStringLiteral("x")); };
            EXPECT_EQ(Answer(s, cwd, "CWD", target + QByteArray("250 changed")), Events{"status scComplete"});
        }
    }
    EXPECT_EQ(std::count(rec.texts.begin(), rec.texts.end(),
                         "Local file cannot be read or written: /dev/full (No space left on device)"), 1);
    const size_t idle = rec.events.size();
    s.Say("500 unasked");
    ASSERT_TRUE(pumpUntil([&] { return HasFinal(idle); }));
    EXPECT_EQ(rec.Since(idle), Events{"error 500"});
    EXPECT_EQ(client.ProcessState(), TFtpProcessState::psIdle);
    client.SetTransferTimeout(1092 * 60);
    EXPECT_TRUE(client.Logout(100));
    EXPECT_EQ(s.Next(), "QUIT");
    EXPECT_FALSE(client.Connected());
}

// A history log that enters the client's owner is taken only while neither side is linked.
TEST(FtpLogInsertion, TheClientTakesALogOfItsOwnerThatIsFree)
{
    QObject owner;
    TApdFtpClient client(&owner);
    auto* first = new TApdFtpLog(&owner);
    auto* second = new TApdFtpLog(&owner);
    EXPECT_EQ(client.FtpLog(), first);
    EXPECT_EQ(first->FtpClient(), &client);
    EXPECT_EQ(second->FtpClient(), nullptr);
}

}  // namespace
