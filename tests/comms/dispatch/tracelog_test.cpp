#include "comms/core/adexcept.h"
#include "comms/core/fakeclock.h"
#include "comms/dispatch/fakedispatcher.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

QByteArray golden(const char* name)
{
    return readFile(QStringLiteral(QWL_TEST_SOURCE_DIR "/comms/dispatch/golden/") + QLatin1String(name));
}

struct TraceLog : ::testing::Test {
    QTemporaryDir dir;
    TFakeDispatcher d;
    QString file(const char* name) { return dir.filePath(QLatin1String(name)); }
    void SetUp() override { ASSERT_EQ(d.Open(), 0); }
    void readBack(const QByteArray& bytes)
    {
        d.Feed(bytes);
        d.Round();
        QByteArray b(int(bytes.size()), 0);
        ASSERT_EQ(d.GetBlock(b.data(), int(b.size())), int(b.size()));
    }
};

TEST_F(TraceLog, TraceOfWrittenAndReadBytes)
{
    ASSERT_EQ(d.InitTracing(100), 0);
    d.PutString("A\r");
    readBack("OK");
    ASSERT_EQ(d.DumpTrace(file("LNKR.TRC"), false, false), 0);
    EXPECT_EQ(readFile(file("LNKR.TRC")), "Transmit: A[13]\nReceive: OK\n");
    // Writing consumed it: off and without a buffer.
    d.StartTracing();
    d.PutString("more");
    EXPECT_EQ(d.DumpTrace(file("again.trc"), false, false), 0);
    EXPECT_FALSE(QFile::exists(file("again.trc")));
}

TEST_F(TraceLog, HexOptionsAndSpecialEntries)
{
    d.InitTracing(100);
    d.PutString(" \x01");
    d.AddTraceEntry('Z', 'q');
    d.AddTraceEntry('R', char(200));
    ASSERT_EQ(d.DumpTrace(file("plain.trc"), false, false), 0);
    EXPECT_EQ(readFile(file("plain.trc")), "Transmit:  [1]\nSpecial-Z: q\nReceive: [200]\n");
    d.InitTracing(100);
    d.PutString(" \x01~");
    ASSERT_EQ(d.DumpTrace(file("inhex.trc"), true, false), 0);
    EXPECT_EQ(readFile(file("inhex.trc")), "Transmit: [20][01]~\n");
    d.InitTracing(100);
    d.PutString("Az");
    ASSERT_EQ(d.AppendTrace(file("inhex.trc"), true, true), 0);
    EXPECT_EQ(readFile(file("inhex.trc")), "Transmit: [20][01]~\nTransmit: [41][7A]\n");
}

TEST_F(TraceLog, WrappedTraceKeepsTheNewestOldestFirst)
{
    d.InitTracing(10);
    d.PutString("ABCDEFGHIJKLMNO");
    ASSERT_EQ(d.DumpTrace(file("w.trc"), false, false), 0);
    EXPECT_EQ(readFile(file("w.trc")), "Transmit: FGHIJKLMNO\n");
}

TEST_F(TraceLog, LongTraceLinesWrapAt79Columns)
{
    d.InitTracing(1000);
    d.PutBlock(QByteArray(100, 'x').constData(), 100);
    d.PutBlock(QByteArray(30, '\0').constData(), 30);
    ASSERT_EQ(d.DumpTrace(file("long.trc"), false, false), 0);
    // Items of width 3 ("[0]"): 22 x's leave room for 18 of them before 79 is reached.
    QByteArray zeros;
    for (int i = 0; i < 30; ++i)
        zeros += "[0]";
    const QByteArray expected = "Transmit: " + QByteArray(78, 'x') + "\n" + QByteArray(22, 'x') + zeros.left(54) +
                                "\n" + zeros.mid(54) + "\n";
    EXPECT_EQ(readFile(file("long.trc")), expected);
}

TEST_F(TraceLog, TraceLimitsAndFailures)
{
    EXPECT_EQ(d.InitTracing(0), ecBadArgument);
    EXPECT_EQ(d.InitTracing(4000001), ecBadArgument);
    EXPECT_EQ(d.DumpTrace(file("none.trc"), false, false), 0);
    EXPECT_FALSE(QFile::exists(file("none.trc")));
    ASSERT_EQ(d.InitTracing(5), 0);
    EXPECT_EQ(d.DumpTrace(file("empty.trc"), false, false), 0);  // nothing recorded
    EXPECT_FALSE(QFile::exists(file("empty.trc")));
    ASSERT_EQ(d.InitTracing(5), 0);
    d.PutChar('a');
    EXPECT_EQ(d.DumpTrace(dir.filePath(QStringLiteral("missing/x.trc")), false, false), -3);
    EXPECT_EQ(d.DumpTrace(file("after.trc"), false, false), 0);  // freed all the same
    EXPECT_FALSE(QFile::exists(file("after.trc")));
}

TEST(DispatchLog, DumpFormat)
{
    QTemporaryDir dir;
    FakeClock clock(1000000);
    TFakeDispatcher d;
    ASSERT_EQ(d.Open(), 0);
    d.InitDispatchLogging(4096);
    clock.advance(12);
    ASSERT_EQ(d.AddTimerTrigger(), 8);
    clock.set(1000000 + 1234);
    d.AddDataTrigger("OK\r", false);
    ASSERT_EQ(d.AddStatusTrigger(stOutBuffFree), 27);
    clock.set(1000000 + 2000);
    d.AddStringToLog("hello world");
    d.PutString("AT\r");
    clock.set(1000000 + 2500);
    d.Feed("xy");
    d.Round();
    d.SetTimerTrigger(8, 18, true);
    d.SetTimerTrigger(8, 0, false);
    d.AddStringToLog(QByteArray(40, 'z'));
    d.RemoveTrigger(27);
    clock.set(1000000 + 12345678);
    d.RegisterSyncEventTriggerHandler(&d, [](uint32_t, uint32_t, int32_t) {});
    const QString name = dir.filePath(QStringLiteral("LNKR.LOG"));
    ASSERT_EQ(d.DumpDispatchLog(name, false, false), 0);
    EXPECT_EQ(readFile(name), golden("dispatchlog.txt"));
    // Consumed: a second dump writes nothing.
    d.AddStringToLog("late");
    EXPECT_EQ(d.AppendDispatchLog(name, false, false), 0);
    EXPECT_EQ(readFile(name), golden("dispatchlog.txt"));
}

// Telnet (20..29) and packet (240..249) records say in the dump what they are.
TEST(DispatchLog, TelnetAndPacketRecordsNameTheirSubType)
{
    const char* const texts[] = {"Will (sent)", "Wont (sent)", "Do (sent)", "Dont (sent)", "Will (rcvd)",
                                 "Wont (rcvd)", "Do (rcvd)",   "Dont (rcvd)", "Command",    "Term (sent)",
                                 "Enable",      "Disable",     "StringPacket", "SizePacket", "PacketTimeout",
                                 "StartStr",    "EndStr",      "Idle",        "Waiting",    "Collecting"};
    QTemporaryDir dir;
    TFakeDispatcher d;
    ASSERT_EQ(d.Open(), 0);
    d.InitDispatchLogging(4096);
    for (int i = 0; i < 20; ++i)
        d.AddDispatchEntry(i < 10 ? dtTelnet : dtPacket, TDispatchSubType(i < 10 ? 20 + i : 230 + i), 0, nullptr, 0);
    ASSERT_EQ(d.DumpDispatchLog(dir.filePath(QStringLiteral("sub.log")), false, false), 0);
    const QList<QByteArray> lines = readFile(dir.filePath(QStringLiteral("sub.log"))).split('\n');
    for (int i = 0; i < 20; ++i)
        EXPECT_TRUE(lines.value(7 + i).mid(20).startsWith(QByteArray(texts[i]) + "  ")) << lines.value(7 + i).data();
}

TEST(DispatchLog, AllHexKeepsUserRecordsAsCharacters)
{
    QTemporaryDir dir;
    FakeClock clock(500);
    TFakeDispatcher d;
    ASSERT_EQ(d.Open(), 0);
    d.InitDispatchLogging(1000);
    d.PutString("A \r");
    d.AddStringToLog("a b");
    const QString name = dir.filePath(QStringLiteral("hex.log"));
    ASSERT_EQ(d.DumpDispatchLog(name, true, true), 0);
    EXPECT_EQ(readFile(name), golden("dispatchlog_allhex.txt"));
}

TEST(DispatchLog, SmallRingKeepsTheNewestWholeRecords)
{
    QTemporaryDir dir;
    FakeClock clock(0);
    TFakeDispatcher d;
    ASSERT_EQ(d.Open(), 0);
    d.InitDispatchLogging(64);
    for (int i = 0; i < 5; ++i)
        d.ChangeLengthTrigger(i);
    d.AddStringToLog(QByteArray(60, 'L'));  // 76 bytes in all: never fits, changes nothing
    const QString name = dir.filePath(QStringLiteral("small.log"));
    ASSERT_EQ(d.DumpDispatchLog(name, false, false), 0);
    const QList<QByteArray> lines = readFile(name).split('\n');
    ASSERT_EQ(lines.size(), 7 + 4 + 1);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(lines[7 + i], "0000.000  TrDatChg  Avail         0000000" + QByteArray::number(i + 1) + "  ");

    // A record with its bytes pushes out as many older ones as it needs, whole.
    d.InitDispatchLogging(64);
    for (int i = 0; i < 4; ++i)
        d.ChangeLengthTrigger(i);
    d.AddStringToLog(QByteArray(31, 'M'));
    TDispatchRecord rec;
    char buf[64];
    uint32_t len = 99;
    ASSERT_FALSE(d.PopLastDLEntry(rec, buf, len));
    EXPECT_EQ(rec.DispatchType, dtTriggerDataChange);
    EXPECT_EQ(rec.Data, 3u);
    EXPECT_EQ(len, 0u);
    ASSERT_FALSE(d.PopLastDLEntry(rec, buf, len));
    EXPECT_EQ(rec.DispatchType, dtUser);
    EXPECT_EQ(QByteArray(buf, int(len)), QByteArray(31, 'M'));
    EXPECT_TRUE(d.PopLastDLEntry(rec, buf, len));
    EXPECT_FALSE(d.PushDLEntry(buf, 64));
}

TEST(DispatchLog, DumpWithoutALogWritesNothing)
{
    QTemporaryDir dir;
    TFakeDispatcher d;
    ASSERT_EQ(d.Open(), 0);
    const QString name = dir.filePath(QStringLiteral("none.log"));
    EXPECT_EQ(d.DumpDispatchLog(name, false, false), 0);
    d.InitDispatchLogging(100);
    EXPECT_EQ(d.DumpDispatchLog(name, false, false), 0);
    EXPECT_FALSE(QFile::exists(name));
    d.AddStringToLog("ignored: logging is off");
    d.InitDispatchLogging(100);
    d.AddStringToLog("x");
    EXPECT_EQ(d.DumpDispatchLog(dir.filePath(QStringLiteral("no/such.log")), false, false), -3);
}

}  // namespace
