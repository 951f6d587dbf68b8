#pragma once
// The FTP client tests' fixture: a client whose events are recorded, the real servers it
// meets, and the server's end of a scripted conversation.
#include "comms/ftp/tapdftpclient.h"
#include "common/pump.h"
#include "peers/ftppeer.h"
#include "peers/tcppeer.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace ftptest {

const char* const kStatusNames[] = {"scClose",    "scOpen",      "scLogout",   "scLogin",      "scComplete",
                                    "scCurrentDir", "scDataAvail", "scProgress", "scTransferOK", "scTimeout"};
const char* const kLogNames[] = {"lcClose",    "lcOpen",  "lcLogout",   "lcLogin",   "lcDelete",  "lcRename",
                                 "lcReceive",  "lcStore", "lcComplete", "lcRestart", "lcTimeout", "lcUserAbort"};

// A 0x00..0xFF pattern that holds 0xFF 0xFF and CR LF, so telnet or text handling on the
// data path would show.
inline QByteArray Pattern(qint64 Size)
{
    QByteArray block;
    for (int i = 0; i < 256; ++i)
        block.append(char(i));
    block.append("\xFF\xFF\r\n\r\0\n\r", 8);
    QByteArray out;
    out.reserve(Size);
    while (out.size() < Size)
        out.append(block.left(int(std::min<qint64>(block.size(), Size - out.size()))));
    return out;
}

inline bool WriteFile(const QString& Path, const QByteArray& Data)
{
    QFile f(Path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(Data) == Data.size();
}

inline QByteArray ReadFile(const QString& Path)
{
    QFile f(Path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Records the client's events (progress only counted) and whether one ran inside a call.
struct Recorder {
    std::vector<std::string> events;
    std::vector<std::string> texts;
    int progress = 0;
    bool inCall = false;
    bool firedInCall = false;

    void Attach(TApdCustomFtpClient& C)
    {
        C.OnFtpStatus = [this](QObject*, TFtpStatusCode S, const char* T) {
            if (S == scProgress)
                ++progress;
            else
                Add(std::string("status ") + kStatusNames[S], T);
        };
        C.OnFtpError = [this](QObject*, int32_t Code, const char* T) { Add("error " + std::to_string(Code), T); };
        C.OnFtpLog = [this](QObject*, TFtpLogCode L) { Add(std::string("log ") + kLogNames[L], nullptr); };
    }
    void Add(const std::string& E, const char* T)
    {
        firedInCall |= inCall;
        events.push_back(E);
        texts.push_back(T ? T : "<none>");
    }
    template <class F>
    auto Call(F&& f)
    {
        inCall = true;
        auto r = f();
        inCall = false;
        return r;
    }
    std::vector<std::string> Since(size_t Mark) const { return {events.begin() + long(Mark), events.end()}; }
};

inline bool IsFinal(const std::string& E)
{
    return E.rfind("error", 0) == 0 || E == "status scTransferOK" || E == "status scDataAvail" ||
           E == "status scComplete" || E == "status scCurrentDir" || E == "status scClose" || E == "status scLogout";
}

// The server's end of a scripted conversation, played from the test between pumps, for what
// no real server does on request. Control and passive data connection on 127.0.0.1.
struct Script {
    explicit Script(uint16_t Port = 0) : ctl(Port) {}
    TcpPeer ctl, data;
    QByteArray pasvHost = "127,0,0,1";

    void Say(const QByteArray& Reply) { ctl.send(Reply + "\r\n"); }
    // The client's next command line, telnet's doubled IAC undone; "" after 10 s.
    QByteArray Next()
    {
        QByteArray& in = ctl.received();
        if (!pumpUntil([&] { return ctl.tryAccept() && (ctl.poll(), in.contains("\r\n")); }, 10000))
            return {};
        const qsizetype end = in.indexOf("\r\n");
        const QByteArray line = in.left(end).replace("\xFF\xFF", "\xFF");
        in.remove(0, end + 2);
        return line;
    }
    // Answers the usual commands until one that begins with Verb, which it returns.
    QByteArray Until(const QByteArray& Verb)
    {
        for (int i = 0; i < 10; ++i) {
            const QByteArray c = Next();
            if (c.isEmpty() || c.startsWith(Verb))
                return c;
            const QByteArray pasv = "227 Passive (" + pasvHost + ',' + QByteArray::number(data.port() >> 8) + ',' +
                                    QByteArray::number(data.port() & 0xFF) + ')';
            Say(c.startsWith("USER")   ? QByteArray("331 password")
                : c.startsWith("PASS") ? QByteArray("230 in")
                : c.startsWith("PASV") ? pasv
                : c.startsWith("PWD")  ? QByteArray("257 \"/\"")
                                       : QByteArray("200 ok"));
        }
        return {};
    }
    // The client's data connection, a new one.
    bool AcceptData()
    {
        data.close();
        return pumpUntil([&] { return data.tryAccept(); });
    }
};

class FtpClientTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tmp.isValid());
        root = tmp.path() + QStringLiteral("/root");
        local = tmp.path() + QStringLiteral("/local");
        QDir().mkpath(root);
        QDir().mkpath(local);
        rec.Attach(client);
    }
    void TearDown() override
    {
        // The port frees parts of its connection later, from the event loop.
        if (client.Open())
            client.SetOpen(false);
        pumpFor(20);
    }

    void StartPeer(FtpPeer::Options Opt = {})
    {
        peer = std::make_unique<FtpPeer>(root, Opt);
        QString why;
        ASSERT_TRUE(peer->Start(&why)) << why.toStdString();
        Point(peer->Port(), QStringLiteral("kqv"));
    }
    void Point(uint16_t Port, const QString& User)
    {
        client.SetServerAddress(QStringLiteral("127.0.0.1"));
        client.SetWsPort(QString::number(Port));
        client.SetUserName(User);
        client.SetPassword(User);
    }
    void LogIn()
    {
        const size_t mark = rec.events.size();
        ASSERT_TRUE(rec.Call([&] { return client.Login(); }));
        ASSERT_TRUE(pumpUntil([&] { return client.LoggedIn() || HasFinal(mark); }, 30000));
        ASSERT_TRUE(client.LoggedIn());
        ASSERT_FALSE(rec.firedInCall);
        AwaitLoginStatus(mark);
    }
    // The log-in's status is posted after LoggedIn() turns true; on a loaded machine it must not
    // fall into the events of the operation that follows.
    void AwaitLoginStatus(size_t Mark)
    {
        ASSERT_TRUE(pumpUntil([&] {
            const auto since = rec.Since(Mark);
            return std::find(since.begin(), since.end(), "status scLogin") != since.end();
        }));
    }
    void ScriptedLogIn(Script& S)
    {
        client.SetPassiveMode(true);
        const size_t mark = rec.events.size();
        ASSERT_TRUE(client.Login());
        ASSERT_TRUE(pumpUntil([&] { return S.ctl.tryAccept(); }));
        S.Say("220 scripted");
        ASSERT_EQ(S.Until("PASS"), "PASS kqv");
        S.Say("230 in");
        ASSERT_TRUE(pumpUntil([&] { return client.LoggedIn(); }));
        AwaitLoginStatus(mark);
    }
    // Runs Op while S answers up to Verb with Reply; the events since Op began.
    std::vector<std::string> Answer(Script& S, const std::function<bool()>& Op, const QByteArray& Verb,
                                    const QByteArray& Reply)
    {
        const size_t mark = rec.events.size();
        if (!Op())
            return {"refused"};
        S.Until(Verb);
        S.Say(Reply);
        pumpUntil([&] { return HasFinal(mark); });
        pumpFor(20);
        return rec.Since(mark);
    }
    bool HasFinal(size_t Mark) const
    {
        for (size_t i = Mark; i < rec.events.size(); ++i)
            if (IsFinal(rec.events[i]))
                return true;
        return false;
    }
    // Runs Op and waits for its final event; the events since Op began.
    template <class F>
    std::vector<std::string> Run(F&& Op, int SettleMs = 20, int TimeoutMs = 20000)
    {
        const size_t mark = rec.events.size();
        if (!rec.Call(Op))
            return {"refused"};
        pumpUntil([&] { return !client.InProgress(); }, TimeoutMs);
        pumpFor(SettleMs);  // the posted events, and anything that would follow late
        return rec.Since(mark);
    }

    QTemporaryDir tmp;
    QString root, local;
    std::unique_ptr<FtpPeer> peer;
    TApdFtpClient client;
    Recorder rec;
};

using Events = std::vector<std::string>;

}  // namespace ftptest
