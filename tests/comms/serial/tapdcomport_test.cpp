#include "comms/core/appexceptionhook.h"
#include "comms/core/errorcodes.h"
#include "comms/serial/portprompt.h"
#include "comms/serial/tapdcomport.h"
#include "comms/serial/tapdwin32dispatcher.h"
#include "common/procstats.h"
#include "common/pump.h"
#include "peers/ptypair.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <thread>

namespace {

QByteArray pattern(int n, int seed)
{
    QByteArray s(n, '\0');
    for (int i = 0; i < n; ++i)
        s[i] = char((i * 13 + seed) & 0xFF);
    return s;
}

// A port on COM42 (a pty) that collects what its available-data events announce.
struct PortFixture : ::testing::Test {
    PtyPair pty;
    QByteArray got;
    bool offUiThread = false;
    TApdComPort port;  // last: destroyed first, while what its handlers use still exists

    void SetUp() override
    {
        ASSERT_TRUE(pty.ok());
        pty.exportAs(42);
        port.SetComNumber(42);
        port.SetAutoOpen(false);
    }
    void collect()
    {
        port.SetOnTriggerAvail([this](TApdCustomComPort* cp, uint16_t count) {
            offUiThread |= QThread::currentThread() != QCoreApplication::instance()->thread();
            QByteArray buf(count, '\0');
            if (cp->GetBlock(buf.data(), count) == count)
                got += buf;
        });
    }
};

template <class E>
int openError(TApdComPort& p)
{
    try {
        p.SetOpen(true);
    } catch (const E& e) {
        return e.ErrorCode;
    } catch (...) {
        return 1;
    }
    return 0;
}

}  // namespace

TEST_F(PortFixture, OpensRaw8N1At19200AndDeliversBytesOnTheUiThread)
{
    collect();
    port.SetOpen(true);
    ASSERT_TRUE(port.Open());
    EXPECT_EQ(port.PortState(), psOpen);
    termios t = pty.slaveTermios();
    EXPECT_EQ(cfgetospeed(&t), speed_t(B19200));
    EXPECT_EQ(t.c_cflag & (CSIZE | PARENB | CSTOPB), tcflag_t(CS8));
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO), 0u);

    const QByteArray in = pattern(20000, 1);  // wraps the 8192-byte ring twice
    std::thread writer([&] { pty.write(in.toStdString()); });
    EXPECT_TRUE(pumpUntil([&] { return got.size() >= in.size(); }, 10000));
    writer.join();
    EXPECT_TRUE(got == in);
    EXPECT_FALSE(offUiThread);

    port.PutString("\x1bstation.name?\r");
    EXPECT_EQ(pty.read(15), "\x1bstation.name?\r");
    port.SetBaud(9600);
    t = pty.slaveTermios();
    EXPECT_EQ(cfgetospeed(&t), speed_t(B9600));
    port.SetOpen(false);
    EXPECT_EQ(port.PortState(), psClosed);
    EXPECT_EQ(port.Dispatcher(), nullptr);
}

TEST_F(PortFixture, BytesArrivingWhileEventsAreHeldOffAreAllDeliveredInOrder)
{
    collect();
    port.SetOpen(true);
    const QByteArray in = pattern(30000, 5);
    std::thread writer([&] { pty.write(in.toStdString()); });
    QThread::msleep(400);  // the user-interface thread is busy elsewhere
    EXPECT_TRUE(pumpUntil([&] { return got.size() >= in.size(); }, 15000));
    writer.join();
    EXPECT_TRUE(got == in) << got.size();
}

TEST_F(PortFixture, OneMegabyteThroughTheOutputRingToASlowReader)
{
    port.SetOutSize(4096);
    port.SetOpen(true);
    const QByteArray out = pattern(1 << 20, 9);
    std::atomic<size_t> received{0};
    uint64_t sumOut = 0, sumIn = 0;
    for (char c : out)
        sumOut = sumOut * 31 + uint8_t(c);
    std::thread reader([&] {
        for (int i = 0; i < 100000 && received < size_t(out.size()); ++i) {
            const std::string part = pty.read(std::min<size_t>(700, out.size() - received), 100);
            for (char c : part)
                sumIn = sumIn * 31 + uint8_t(c);
            received += part.size();
        }
    });
    int sent = 0;
    for (int round = 0; sent < out.size() && round < 1000000; ++round) {
        const int chunk = std::min(1024, int(out.size()) - sent);
        if (port.OutBuffFree() < chunk) {
            QThread::usleep(200);
            continue;
        }
        port.PutBlock(out.constData() + sent, chunk);
        sent += chunk;
    }
    port.SetOpen(false);
    reader.join();
    EXPECT_EQ(received.load(), size_t(out.size()));
    EXPECT_EQ(sumIn, sumOut);
}

TEST_F(PortFixture, ACommandWrittenJustBeforeCloseReachesTheFarEnd)
{
    port.SetOpen(true);
    const QByteArray big = pattern(3000, 2) + "\x1breboot\r";
    port.PutString(big);
    port.SetOpen(false);
    EXPECT_TRUE(pty.read(size_t(big.size())) == big.toStdString());
}

TEST_F(PortFixture, OpenFailuresRaiseTheMappedExceptions)
{
    ::setenv("QWLVIEW_COM42", "/nonexistent/qwlview-port", 1);
    EXPECT_EQ(openError<EBadId>(port), -2001);
    EXPECT_FALSE(port.Open());
    EXPECT_EQ(port.PortState(), psClosed);

    pty.exportAs(42);
    TApdComPort holder;
    holder.SetComNumber(42);
    holder.SetOpen(true);
    EXPECT_EQ(openError<EAlreadyOpen>(port), -2008);
    EXPECT_FALSE(port.Open());
    holder.SetOpen(false);

    TApdComPort unnamed;
    SetPortPrompt([] { return 0; });  // the operator cancels
    EXPECT_EQ(openError<ENoPortSelected>(unnamed), -2011);
    EXPECT_FALSE(unnamed.Open());
    SetPortPrompt([] { return 42; });
    unnamed.SetOpen(true);
    EXPECT_TRUE(unnamed.Open());
    EXPECT_EQ(unnamed.ComNumber(), 42);
    unnamed.SetOpen(false);
    SetPortPrompt(nullptr);
    unnamed.SetComNumber(0);
    unnamed.SetPromptForPort(false);
    EXPECT_EQ(openError<ENoPortSelected>(unnamed), -2011);

    EXPECT_THROW(port.PutString("x"), ECommNotOpen);  // closed, no AutoOpen
    port.SetAutoOpen(true);
    port.PutString("x");  // opens on the spot
    EXPECT_TRUE(port.Open());
    EXPECT_EQ(pty.read(1), "x");
}

struct RefusingLine : TApdWin32Dispatcher {
    int refused;
    RefusingLine(QObject* owner, int f) : TApdWin32Dispatcher(owner), refused(f) {}
    ~RefusingLine() override { StopDispatcher(); }  // its threads call us until they stop
    int EscapeComFunction(int f) override { return f == refused ? ecDeviceWrite : 0; }
};

TEST_F(PortFixture, AModemLineThatCannotBeSetIsNamed)
{
    for (const auto& [escape, line] : {std::pair{SETDTR, "DTR"}, std::pair{SETRTS, "RTS"}}) {
        port.CustomDispatcher = [escape](QObject* owner) { return new RefusingLine(owner, escape); };
        EXPECT_EQ(openError<ESerialIO>(port), escape == SETDTR ? ecDtrFailed : ecRtsFailed) << line;
        EXPECT_FALSE(port.Open());
    }
}

TEST_F(PortFixture, UsersHearOpenClosingClosedAndAFailedOpenIsUndone)
{
    std::vector<std::string> heard;
    int key1 = 0, key2 = 0;
    port.RegisterUserCallbackEx(&key1, [&](QObject*, TApdCallbackType t) {
        heard.push_back(t == ctOpen ? "ex:open" : t == ctClosing ? "ex:closing" : "ex:closed");
    });
    port.RegisterUserCallback(&key2, [&](QObject*, bool opening) { heard.push_back(opening ? "open" : "closed"); });
    port.OnPortOpen = [&](QObject*) { heard.push_back("OnPortOpen"); };
    port.OnPortClose = [&](QObject*) { heard.push_back("OnPortClose"); };
    port.SetOpen(true);
    port.SetOpen(false);
    EXPECT_EQ(heard, (std::vector<std::string>{"open", "ex:open", "OnPortOpen", "ex:closing", "closed",
                                                "ex:closed", "OnPortClose"}));

    heard.clear();
    port.OnPortOpen = [&](QObject*) { throw EAPDException(QStringLiteral("refused")); };
    EXPECT_THROW(port.SetOpen(true), EAPDException);
    EXPECT_FALSE(port.Open());
    EXPECT_EQ(port.PortState(), psClosed);
    EXPECT_EQ(port.Dispatcher(), nullptr);
    EXPECT_EQ(heard, (std::vector<std::string>{"open", "ex:open", "closed", "ex:closed"}));

    port.OnPortOpen = nullptr;
    port.DeregisterUserCallback(&key2);
    port.DeregisterUserCallbackEx(&key1);
    heard.clear();
    port.OnPortClose = nullptr;
    port.SetOpen(true);  // the device was released by the failed open
    EXPECT_TRUE(port.Open());
    EXPECT_TRUE(heard.empty());
}

TEST_F(PortFixture, CloseFromInsideAnEventHandlerFinishes)
{
    bool openInHandler = true;
    port.SetOnTriggerAvail([&](TApdCustomComPort* cp, uint16_t) {
        cp->SetOpen(false);
        openInHandler = cp->Open();
    });
    port.SetOpen(true);
    pty.write("data");
    EXPECT_TRUE(pumpUntil([&] { return port.PortState() == psClosed; }, 5000));
    EXPECT_FALSE(openInHandler);
    EXPECT_EQ(port.Dispatcher(), nullptr);
    port.SetOnTriggerAvail(nullptr);
    port.SetOpen(true);
    EXPECT_TRUE(port.Open());
}

TEST_F(PortFixture, CloseWhileASynchronisedCallIsPendingFinishes)
{
    port.SetOpen(true);
    std::atomic<int> calls{0};
    port.Dispatcher()->ChangeLengthTrigger(1);
    port.Dispatcher()->RegisterSyncEventTriggerHandler(this, [&](uint32_t, uint32_t, int32_t) { ++calls; });
    pty.write("abc");
    // The dispatch thread now waits for this thread, which does not run its loop.
    for (int i = 0; i < 200 && !port.Dispatcher()->EventBusy(); ++i)
        QThread::msleep(5);
    ASSERT_TRUE(port.Dispatcher()->EventBusy());
    port.SetOpen(false);
    EXPECT_FALSE(port.Open());
    EXPECT_TRUE(pumpUntil([&] { return port.PortState() == psClosed; }, 5000));
}

TEST_F(PortFixture, APortDestroyedWhileClosingFinishesItsClose)
{
    const int threads = countThreadsStable();
    {
        TApdComPort p;
        p.SetComNumber(42);
        p.SetOpen(true);
        p.PrepareWait();
        p.SetOpen(false);
        EXPECT_FALSE(p.Open());
    }
    EXPECT_EQ(countThreadsSettled(threads), threads);
    port.SetOpen(true);  // the device is free again
    EXPECT_TRUE(port.Open());
}

// A port deleted inside its own event lets its threads go once the event has returned.
TEST_F(PortFixture, APortDeletedInsideItsOwnEventGoesAfterIt)
{
    const int threads = countThreadsStable();
    const int dispatchers = TApdBaseDispatcher::PortListCount();
    auto* p = new TApdComPort;
    p->SetComNumber(42);
    bool deleted = false;
    p->SetOnTriggerAvail([&](TApdCustomComPort* cp, uint16_t) {
        deleted = true;  // before: this handler goes with the port
        delete cp;
    });
    p->SetOpen(true);
    pty.write("x");
    ASSERT_TRUE(pumpUntil([&] { return deleted; }, 5000));
    EXPECT_TRUE(pumpUntil([&] { return TApdBaseDispatcher::PortListCount() == dispatchers; }, 5000));
    EXPECT_EQ(countThreadsSettled(threads), threads);
    port.SetOpen(true);  // the device is free again
    EXPECT_TRUE(port.Open());
}

TEST_F(PortFixture, DeferredCloseCompletesAndAReopenRequestRuns)
{
    std::vector<int> notices;
    int key = 0;
    port.RegisterUserCallbackEx(&key, [&](QObject*, TApdCallbackType t) { notices.push_back(t); });
    port.SetOpen(true);
    port.PrepareWait();  // holds the dispatcher event-busy: the close is finished by the window
    port.SetOpen(false);
    EXPECT_FALSE(port.Open());
    EXPECT_EQ(notices, (std::vector<int>{ctOpen, ctClosing, ctClosed}));  // told at once
    port.SetOpen(true);  // remembered while the close is still finishing
    EXPECT_TRUE(pumpUntil([&] { return port.PortState() == psOpen; }, 5000));
    EXPECT_TRUE(port.Open());
    port.DeregisterUserCallbackEx(&key);
}

TEST_F(PortFixture, WaitsForStrings)
{
    port.SetOpen(true);
    EXPECT_TRUE(port.WaitForString("", 0, true, false));
    pty.write("noise OOK\r");
    EXPECT_TRUE(port.WaitForString("ok", Secs2Ticks(5), true, true));
    EXPECT_FALSE(port.WaitForString("never", 3, true, false));
    pty.write("xxERRORyy");
    EXPECT_EQ(port.WaitForMultiString("OK|ERROR|", Secs2Ticks(5), true, false, '|'), 2);
    EXPECT_EQ(port.WaitForMultiString("", 3, true, false, '|'), 0);
    uint8_t index = 0;
    EXPECT_FALSE(port.CheckForString(index, 'a', "ab", false));
    EXPECT_FALSE(port.CheckForString(index, 'a', "ab", false));
    EXPECT_TRUE(port.CheckForString(index, 'b', "ab", false));
    EXPECT_EQ(index, 0);
    // The program ending stops a wait, and that is no match.
    int asked = 0;
    SetAppTerminatedQuery([&] { return ++asked > 0; });
    EXPECT_FALSE(port.WaitForString("never", Secs2Ticks(60), true, false));
    EXPECT_EQ(port.WaitForMultiString("a|b", Secs2Ticks(60), true, false, '|'), 0);
    SetAppTerminatedQuery(nullptr);
    EXPECT_EQ(asked, 2);
    // The waits gave the event-busy state back: notifications flow again.
    collect();
    pty.write("after");
    EXPECT_TRUE(pumpUntil([&] { return got.endsWith("after"); }, 5000));
    // A port closed during the wait ends it without a match.
    QTimer::singleShot(20, [this] { port.SetOpen(false); });
    EXPECT_FALSE(port.WaitForString("never", Secs2Ticks(60), true, false));
    EXPECT_TRUE(pumpUntil([&] { return port.PortState() == psClosed; }, 5000));
}

TEST_F(PortFixture, PropertyRulesOfTheFlowLimitsAndTheClosedPort)
{
    EXPECT_EQ(port.InBuffFree(), 8192);
    EXPECT_EQ(port.OutBuffFree(), 4096);
    port.SetBufferFull(5000);
    EXPECT_EQ(port.BufferFull(), 4500);
    port.SetOpen(true);  // no handshake: the stored limits do not reach the line
    EXPECT_TRUE(port.Open());
    port.SetOpen(false);
    port.SetHWFlowOptions({hwfUseRTS});
    EXPECT_EQ(port.BufferFull(), 3686);
    EXPECT_EQ(port.BufferResume(), 409);
    port.SetBufferResume(5000);
    EXPECT_EQ(port.BufferResume(), 368);
    port.SetTracing(tlDump);
    EXPECT_EQ(port.Tracing(), tlOff);
    port.SetTracing(tlOn);
    EXPECT_EQ(port.Tracing(), tlOn);
    EXPECT_EQ(port.Version(), "v4.06");
    port.SetOpen(true);  // flow options and tracing applied at the open
    termios t = pty.slaveTermios();
    EXPECT_TRUE(t.c_cflag & CRTSCTS);
    EXPECT_EQ(port.Tracing(), tlOn);
}

TEST_F(PortFixture, TraceIsDumpedAtTheClose)
{
    QTemporaryDir dir;
    port.SetTraceName(dir.filePath("LNKR.TRC"));
    port.SetTraceHex(false);
    port.SetTracing(tlOn);
    collect();
    port.SetOpen(true);
    port.PutString("A\r");
    pty.write("OK");
    EXPECT_TRUE(pumpUntil([&] { return got == "OK"; }, 5000));
    port.SetOpen(false);
    QFile f(dir.filePath("LNKR.TRC"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    EXPECT_TRUE(text.contains("Transmit: A[13]")) << text.constData();
    EXPECT_TRUE(text.contains("Receive: OK")) << text.constData();
}

TEST_F(PortFixture, ATraceThatCannotBeWrittenStillLetsThePortMoveAndClose)
{
    QTemporaryDir dir;
    PtyPair other(43);
    port.SetTraceName(dir.path());  // a folder: no file can be made under its name
    port.SetTracing(tlOn), port.SetOpen(true);
    port.PutString("A\r");
    EXPECT_THROW(port.SetComNumber(43), EInOutError);
    EXPECT_TRUE(port.Open() && port.ComNumber() == 43);
    port.PutString("B\r");  // traced afresh
    EXPECT_THROW(port.SetOpen(false), EInOutError);
    EXPECT_EQ(port.PortState(), psClosed);
}

TEST_F(PortFixture, ChangingComNumberWhileOpenReopensWithTheTriggers)
{
    PtyPair other;
    other.exportAs(43);
    int hits = 0;
    port.SetOnTriggerData([&](TApdCustomComPort*, uint16_t) { ++hits; });
    port.SetOpen(true);
    port.AddDataTrigger("\x03", false);
    port.SetComNumber(43);
    EXPECT_TRUE(port.Open());
    other.write("abc\x03");
    EXPECT_TRUE(pumpUntil([&] { return hits == 1; }, 5000));
}

TEST_F(PortFixture, APortOpenedRightAfterAnotherClosedSeesNoneOfItsTraffic)
{
    PtyPair other;
    other.exportAs(43);
    std::atomic<bool> stop{false};
    std::thread streamer([&] {
        for (int i = 0; i < 100000 && !stop; ++i) {
            ::write(pty.masterFd(), "AAAAAAAA", 8);
            QThread::usleep(200);
        }
    });
    TApdComPort second;
    second.SetComNumber(43);
    QByteArray secondGot;
    second.SetOnTriggerAvail([&](TApdCustomComPort* cp, uint16_t n) {
        QByteArray b(n, '\0');
        if (cp->GetBlock(b.data(), n) == n)  // a closing port reads nothing
            secondGot += b;
    });
    for (qsizetype i = 0; i < 20; ++i) {
        collect();
        port.SetOpen(true);
        pumpFor(5);
        port.SetOpen(false);  // finishes later when a notice is under way
        second.SetOpen(true);
        other.write("B");
        pumpUntil([&] { return secondGot.size() > i; }, 2000);
        second.SetOpen(false);
        pumpUntil([&] { return port.PortState() == psClosed && second.PortState() == psClosed; }, 5000);
    }
    stop = true;
    streamer.join();
    EXPECT_EQ(secondGot, QByteArray(20, 'B'));
}

TEST_F(PortFixture, ManyOpenCloseCyclesLeakNoDescriptorOrThread)
{
    const int fds = countOpenFds();
    const int threads = countThreadsStable();
    std::atomic<bool> stop{false};
    std::thread streamer([&] {
        const std::string chunk(128, 'x');
        for (int i = 0; i < 1000000 && !stop; ++i) {
            ::write(pty.masterFd(), chunk.data(), chunk.size());
            QThread::usleep(300);
        }
    });
    const int streamerThreads = countThreadsStable();
    collect();
    for (int i = 0; i < 500; ++i) {
        port.SetOpen(true);
        ASSERT_TRUE(port.Open()) << i;
        if (i % 5 == 0)
            pumpFor(2);
        port.SetOpen(false);
        // A close during a notice finishes once the user-interface thread runs again.
        ASSERT_TRUE(pumpUntil([&] { return port.PortState() == psClosed; }, 5000)) << i;
    }
    // The last close's worker threads end on their own, a moment after the port says closed.
    pumpUntil([&] { return countThreads() == streamerThreads; }, 2000);
    EXPECT_EQ(countThreads(), streamerThreads);
    stop = true;
    streamer.join();
    EXPECT_EQ(countOpenFds(), fds);
    EXPECT_EQ(countThreadsSettled(threads), threads);
}

TEST_F(PortFixture, AHungUpFarEndDoesNotSpinAndThePortStillCloses)
{
    collect();
    port.SetOpen(true);
    pty.hangUp();
    auto* d = dynamic_cast<TApdWin32Dispatcher*>(port.Dispatcher());
    ASSERT_NE(d, nullptr);
    const uint64_t before = d->Device.WaitCount();
    QThread::msleep(500);
    // The threads wake now and then to look at the line again; spinning ones, all the time.
    EXPECT_LE(d->Device.WaitCount() - before, 20u);
    port.PutString("gone");
    port.SetOpen(false);
    EXPECT_EQ(port.PortState(), psClosed);
}
