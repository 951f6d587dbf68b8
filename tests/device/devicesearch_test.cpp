#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QUdpSocket>
#include <gtest/gtest.h>
#include <memory>

#include "app/appstate.h"
#include "app/windows/stationwindows.h"
#include "data/runtimetexts.h"
#include "platform/gui/tstringgrid.h"
#include "common/netns.h"
#include "common/pump.h"
#include "common/userinput.h"
#include "device/searchreplies.h"
#include "device/tdatamodudp.h"
#include "device/tfrmconnect.h"
#include "peers/udpresponder.h"
#include "app/setlanguage.h"
#include "samples.h"

using platform::DialogScript;

namespace {

constexpr uint32_t Loopback = 0x7F000001;


// The search window and its datagram module behind their global pointers, against a station
// list of two stations, with the responder's devices on a free port (or the fixed ports).
class DeviceSearch : public ::testing::Test {
protected:
    void SetUp() override
    {
        frmConnect = &conn;
        DataModUDP = &udp;
        conn.ReportFrom(udp);
        RegisterProgramState();
        SetLanguage(1);
        TStringGrid* list = w.st->stgList;
        list->SetRowCount(3);
        list->SetRowTexts(1, stationRow("001", "005", "Nord", "10.0.0.1"));
        list->SetRowTexts(2, stationRow("002", "007", "Sued", "10.0.0.2"));
        w.st->ActiveRow = 2;
        ASSERT_TRUE(w.st->ReadStationRow(CurrentStation));
        udp.LocalUdpPort = 0;
        // Nothing is broadcast until a test starts devices.
        udp.AddressTable = [] { return std::vector<platform::IpAddrRow>{}; };
    }
    void TearDown() override
    {
        conn.close();
        UnregisterProgramState();
        frmConnect = nullptr;
        DataModUDP = nullptr;
    }

    void startDevices(const QStringList& devices, int port = 0)
    {
        responder = std::make_unique<peers::UdpResponder>(devices, port);
        ASSERT_TRUE(responder->ok());
        udp.DevicePort = responder->Port();
        udp.AddressTable = [] { return std::vector<platform::IpAddrRow>{{Loopback, 0xFF000000}}; };
    }
    // Shows the window and waits for the first evaluation.
    void searchOnce()
    {
        conn.show();
        ASSERT_TRUE(pumpUntil([&] { return conn.lblScanning->isHidden(); }, 8000));
    }
    QStringList gridRow(int r) const { return conn.sgrDevices->RowTexts(r); }
    QStringList stationList() const
    {
        QStringList all;
        for (int r = 1; r < w.st->stgList->RowCount(); ++r)
            all << w.st->stgList->RowTexts(r).join('|');
        return all;
    }

    StationWindows w{1};
    TfrmConnect conn;
    TDataModUDP udp;
    std::unique_ptr<peers::UdpResponder> responder;
};

}  // namespace

TEST(SearchReplies, FieldsAndQueryValues)
{
    struct SplitCase {
        QString text;
        QStringList fields;
    } splits[] = {
        {"10001 1 127.0.0.2 255.0.0.0 0 QWL620 V2", {"10001", "1", "127.0.0.2", "255.0.0.0", "0", "QWL620", "V2"}},
        {"\t  a   b\tc  d\r\n", {"a", "b\tc", "d"}},
        {"1 2 3 4 5 6 7 8 9 10 11 12 13", {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11"}},
        {"", {}},
    };
    QString fields[searchreply::FieldCount];
    for (const SplitCase& c : splits) {
        for (QString& f : fields)
            f = "stale";
        searchreply::Split(c.text, fields);
        for (int k = 0; k < searchreply::FieldCount; ++k)
            EXPECT_EQ(fields[k], k < c.fields.size() ? c.fields[k] : QString()) << c.text.toStdString() << " #" << k;
    }
    struct ValueCase {
        const char* reply;
        const char* id;
        const char* value;
    } values[] = {
        {"10001 6 STATION.REGION=001", "10001", "001"}, {"10001 6 STATION.STATION=12345", "10001", "123"},
        {"10001 6 a=1=2", "10001", "1=2"},               {"10001 6 STATION", "10001", "100"},
        {"99999 6 STATION.REGION=001", "10001", ""},     {"", "10001", ""},
    };
    for (const ValueCase& c : values)
        EXPECT_EQ(searchreply::QueryValue(c.reply, c.id), c.value) << c.reply;

    uint32_t a = 0;
    EXPECT_TRUE(platform::ParseDottedIPv4("192.168.1.20", &a));
    EXPECT_EQ(platform::InetNtoa(platform::BroadcastOf({a, 0xFFFFFF00})), "192.168.1.255");
    for (const char* bad : {"", "1.2.3", "1.2.3.4.5", "1.2.3.256", "1.2.3.x", "::ffff:1.2.3.4", " 1.2.3.4", "1..3.4",
                            "1.2.3.0004", "0x1.2.3.4", "1.2.3.4."})
        EXPECT_FALSE(platform::ParseDottedIPv4(bad)) << bad;
}

TEST_F(DeviceSearch, ListsEachDeviceOfTheModelWithItsStationAndNoPhantomRows)
{
    startDevices({"10001,127.0.0.2,001,005", "10002,127.0.0.3,009,009", "10003,127.0.0.4,001,001,model",
                  "10004,127.0.0.5,001,001,junk", "10005,127.0.0.6,002,007,long", "10006,127.0.0.7,001,005,wrongid",
                  "10007,127.0.0.8,001,005,silent", "10008,127.0.0.9,001,005,badaddr"});
    searchOnce();
    EXPECT_EQ(conn.sgrDevices->RowCount(), 5);
    EXPECT_EQ(gridRow(0), QStringList({"Name", "Region", "Station", "IP Address", "NetMask"}));
    EXPECT_EQ(gridRow(1), QStringList({"Nord", "001", "005", "127.0.0.2", "255.0.0.0"}));
    EXPECT_EQ(gridRow(2), QStringList({"QWL620", "009", "009", "127.0.0.3", "255.0.0.0"}));
    EXPECT_EQ(gridRow(3), QStringList({"Sued", "002", "007", "127.0.0.6", "255.0.0.0"}));
    EXPECT_EQ(gridRow(4), QStringList({"QWL620", "", "", "127.0.0.7", "255.0.0.0"}));
    EXPECT_TRUE(conn.bbtOK->isEnabled());
    EXPECT_EQ(conn.sgrDevices->Row(), 1);

    const QString from = QStringLiteral("127.0.0.1:%1 ").arg(udp.NMUDP->BoundPort());
    const QStringList got = responder->Received();
    EXPECT_EQ(got.first(), "127.255.255.255 " + from + "b'0 1'");
    EXPECT_TRUE(got.contains("127.0.0.2 " + from + "b'10001 6 STATION.REGION?'"));
    EXPECT_TRUE(got.contains("127.0.0.2 " + from + "b'10001 6 STATION.STATION?'"));
    // Only listed devices are asked.
    for (const char* other : {"127.0.0.4 ", "127.0.0.5 ", "127.0.0.8 ", "127.0.0.9 "})
        EXPECT_TRUE(got.filter(QString::fromLatin1(other)).isEmpty()) << other;
}

// An address with leading zeros is the decimal one: listed, asked and stored canonical.
TEST_F(DeviceSearch, LeadingZerosInAReplyAreDecimal)
{
    startDevices({"10009,127.0.0.10,001,005,zeros"});
    searchOnce();
    EXPECT_EQ(gridRow(1), QStringList({"Nord", "001", "005", "127.0.0.10", "255.0.0.0"}));
    EXPECT_EQ(responder->Received().filter("127.0.0.10 ").size(), 2);  // the two queries
    conn.bbtOKClick();
    EXPECT_TRUE(CurrentStation.IPAddress == "127.0.0.10" && w.st->stgList->Cells(3, 1) == "127.0.0.10");
}

TEST_F(DeviceSearch, CycleKeepsOldRowsWhenALaterSearchFindsNothing)
{
    startDevices({"10001,127.0.0.2,001,005", "10002,127.0.0.3,002,007"});
    searchOnce();
    ASSERT_EQ(conn.sgrDevices->RowCount(), 3);
    EXPECT_EQ(conn.Timer->interval(), 2500);
    responder->SetFault("10001", "silent");
    responder->SetFault("10002", "silent");
    // The pause ends in a new broadcast, the collection in an evaluation of nothing.
    ASSERT_TRUE(pumpUntil([&] { return !conn.lblScanning->isHidden(); }, 5000));
    EXPECT_EQ(conn.Timer->interval(), 1500);
    EXPECT_TRUE(conn.lbxMsgs->count() == 0);
    ASSERT_TRUE(pumpUntil([&] { return conn.lblScanning->isHidden(); }, 5000));
    EXPECT_EQ(responder->Received().filter("b'0 1'").size(), 2);
    EXPECT_EQ(conn.sgrDevices->RowCount(), 3);
    EXPECT_EQ(gridRow(2), QStringList({"Sued", "002", "007", "127.0.0.3", "255.0.0.0"}));
}

TEST_F(DeviceSearch, LateDeviceGivesNoRowAndNoQueryAnswer)
{
    startDevices({"10008,127.0.0.9,001,005,late"});
    searchOnce();
    EXPECT_EQ(conn.sgrDevices->RowCount(), 2);
    EXPECT_EQ(gridRow(1).join(""), "");
    EXPECT_FALSE(conn.bbtOK->isEnabled());
    conn.close();
    // The late search reply still comes, now to no search: it cannot end the query below.
    ASSERT_TRUE(pumpUntil([&] { return conn.lbxMsgs->count() == 1; }, 5000));

    EXPECT_EQ(udp.QueryDevice("127.0.0.9", "10008 6 STATION.REGION?"), "");
    EXPECT_EQ(udp.QueryState(), UdpQueryState::TimedOut);
}

TEST_F(DeviceSearch, QueriesEndWithTheReplyAndCheckTheDeviceId)
{
    startDevices({"10001,127.0.0.2,001,005", "10006,127.0.0.7,001,005,wrongid", "10007,127.0.0.8,001,005,silent"});
    EXPECT_EQ(udp.QueryDevice("127.0.0.2", "10001 6 STATION.STATION?"), "10001 6 STATION.STATION=005");
    EXPECT_EQ(udp.QueryState(), UdpQueryState::Waiting);  // ended by the reply, not the time-out
    EXPECT_FALSE(udp.Timer->isActive());
    EXPECT_EQ(udp.QueryDevice("not an address", "0 1"), "");

    struct {
        const char* address;
        bool found;
    } cases[] = {{"127.0.0.2", true}, {"127.0.0.7", false}, {"127.0.0.8", false}};
    for (const auto& c : cases) {
        int region = -7, station = -7;
        EXPECT_EQ(conn.QueryRegionStation(c.address, region, station), c.found) << c.address;
        EXPECT_EQ(region, c.found ? 1 : -7) << c.address;
        EXPECT_EQ(station, c.found ? 5 : -7) << c.address;
    }
    // A device that gives no id to the probe is still asked both station queries.
    EXPECT_EQ(responder->Received().filter("127.0.0.8 ").filter("b' 6 STATION.").size(), 2);
}

TEST_F(DeviceSearch, ReceiveRuleCutsRepliesAndDropsOurOwnEcho)
{
    udp.AddressTable = [] { return std::vector<platform::IpAddrRow>{{Loopback, 0xFF000000}}; };
    udp.DevicePort = 9;  // discard: nobody answers the broadcast
    udp.SearchDevices();  // binds the port; LocalAddress is now 127.0.0.1
    ASSERT_EQ(udp.LocalAddress, "127.0.0.1");
    struct {
        const char* from;
        QByteArray data;
        QString listed;
    } cases[] = {
        {"127.0.0.1", "echo", QString()},
        {"127.0.0.2", QByteArray("abc\0def", 7), "abc"},
        {"127.0.0.3", QByteArray(300, 'x'), QString(255, 'x')},
    };
    for (const auto& c : cases) {
        conn.lbxMsgs->clear();
        QUdpSocket peer;
        ASSERT_TRUE(peer.bind(QHostAddress(QString::fromLatin1(c.from)), 0));
        peer.writeDatagram(c.data, QHostAddress(Loopback), quint16(udp.NMUDP->BoundPort()));
        const QString expectReply = c.listed.isNull() ? QString::fromLatin1(c.data) : c.listed;
        ASSERT_TRUE(pumpUntil([&] { return udp.ReplyText == expectReply; }, 3000)) << c.from;
        EXPECT_EQ(conn.lbxMsgs->count(), c.listed.isNull() ? 0 : 1) << c.from;
        EXPECT_EQ(conn.lbxMsgs->count() ? conn.lbxMsgs->item(0)->text() : QString(), c.listed);
    }
}

// The search module alone: a reply reaches whoever set the callback, no window needed.
TEST(SearchModule, RepliesReachTheCallbackWithoutAWindow)
{
    TDataModUDP udp;
    udp.LocalUdpPort = 0;
    udp.DevicePort = 9;  // discard
    udp.AddressTable = [] { return std::vector<platform::IpAddrRow>{{Loopback, 0xFF000000}}; };
    QStringList replies;
    udp.OnSearchReply = [&](const QString& text) { replies << text; };
    ASSERT_TRUE(udp.SearchDevices());
    QUdpSocket device;
    ASSERT_TRUE(device.bind(QHostAddress(QStringLiteral("127.0.0.2")), 0));
    device.writeDatagram("10001 1 QWL", QHostAddress(Loopback), quint16(udp.NMUDP->BoundPort()));
    ASSERT_TRUE(pumpUntil([&] { return !replies.isEmpty(); }, 3000));
    EXPECT_EQ(replies, QStringList{QStringLiteral("10001 1 QWL")});
}

TEST_F(DeviceSearch, OkTakesTheDeviceIntoItsStationOrAsksAsTheRowRequires)
{
    struct Case {
        const char* name;
        QStringList device;  // grid row, "" for none
        std::vector<int> answers;  // to the boxes shown
        int listShows;  // station list shown, closed without a choice
        QStringList boxes;
        int result;  // -1: the window stays open
        const char* nordAddress;
    } cases[] = {
        {"known", {"Nord", "001", "005", "127.0.0.2", "255.0.0.0"}, {}, 0, {}, 1, "127.0.0.2"},
        {"unknown numbers, No", {"QWL620", "", "", "127.0.0.7", "255.0.0.0"}, {platform::mrNo}, 0,
         {MsgRegionStationUnknown}, 2, "10.0.0.1"},
        {"no station, No", {"QWL620", "009", "009", "127.0.0.3", "255.0.0.0"}, {platform::mrNo}, 0,
         {MsgNoStationForDevice}, 2, "10.0.0.1"},
        {"no station, Yes, nothing created, No", {"QWL620", "009", "009", "127.0.0.3", "255.0.0.0"},
         {platform::mrYes, platform::mrNo}, 1, {MsgNoStationForDevice, MsgNoStationForDevice}, 2, "10.0.0.1"},
        {"no device row", {"", "", "", "", ""}, {}, 0, {}, -1, "10.0.0.1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(w.st->FindStation("002", "007"));
        ASSERT_TRUE(w.st->ReadStationRow(CurrentStation));
        w.st->stgList->SetCells(3, 1, "10.0.0.1");
        const QStringList before = stationList();
        conn.ResultValue = 2;
        conn.sgrDevices->SetRowCount(2);
        conn.sgrDevices->SetRowTexts(1, c.device);
        conn.sgrDevices->SetRow(1);
        conn.open();
        DialogScript::clearShown();
        for (int a : c.answers)
            DialogScript::answer(a);
        int shown = 0;
        std::function<void()> closeList = [&] {
            ++shown;
            w.st->done(2);
            if (shown < c.listShows)
                whenShown(w.st.get(), closeList);
        };
        if (c.listShows)
            whenShown(w.st.get(), closeList);
        conn.sgrDevicesDblClick();
        pumpFor(50);

        QStringList boxes;
        for (const auto& d : DialogScript::shown())
            boxes << d.text;
        EXPECT_EQ(boxes, c.boxes);
        EXPECT_EQ(shown, c.listShows);
        EXPECT_EQ(conn.isVisible(), c.result == -1);
        EXPECT_TRUE(c.result == -1 || conn.result() == c.result) << conn.result();
        EXPECT_EQ(w.st->stgList->Cells(3, 1), c.nordAddress);
        if (c.result == 1) {
            EXPECT_EQ(CurrentStation.StationName, "Nord");
            EXPECT_EQ(CurrentStation.IPAddress, "127.0.0.2");
            EXPECT_EQ(w.st->stgList->Cells(3, 2), "10.0.0.2");  // the station left keeps its address
        } else {
            EXPECT_EQ(stationList(), before);
            EXPECT_EQ(CurrentStation.StationName, "Sued");
        }
        conn.close();
    }
}

TEST_F(DeviceSearch, UnknownNumbersAndYesTakeTheStationChosenByHand)
{
    conn.sgrDevices->SetRowCount(2);
    conn.sgrDevices->SetRowTexts(1, {"QWL620", "", "", "127.0.0.7", "255.0.0.0"});
    conn.sgrDevices->SetRow(1);
    conn.open();
    DialogScript::answer(platform::mrYes);
    whenShown(w.st.get(), [&] {
        w.st->ActiveRow = 1;
        w.st->done(1);
    });
    conn.bbtOKClick();
    EXPECT_EQ(conn.result(), 1);
    EXPECT_EQ(CurrentStation.StationName, "Nord");
    EXPECT_EQ(w.st->stgList->Cells(3, 1), "127.0.0.7");
}

// A row chosen while the cycle runs on follows its device; while that is gone, none is chosen.
TEST_F(DeviceSearch, ChosenRowFollowsItsDeviceAcrossCycles)
{
    startDevices({"10001,127.0.0.2,001,005", "10002,127.0.0.3,002,007"});
    searchOnce();
    conn.sgrDevices->SetRow(2);  // as a click or the arrow keys choose
    for (const auto& [id, fault, selected] :
         {std::tuple{"10002", "silent", 0}, {"10002", "none", 2}, {"10001", "silent", 1}}) {
        responder->SetFault(id, fault);
        ASSERT_TRUE(pumpUntil([&] { return !conn.lblScanning->isHidden(); })
                    && pumpUntil([&] { return conn.lblScanning->isHidden(); }));
        EXPECT_EQ(conn.sgrDevices->currentRow() + 1, selected) << id << fault;
        EXPECT_TRUE(selected || (conn.bbtOKClick(), conn.isVisible()));  // OK without a choice does nothing
    }
    conn.bbtOKClick();
    EXPECT_EQ(w.st->stgList->Cells(3, 1) + ' ' + w.st->stgList->Cells(3, 2), "10.0.0.1 127.0.0.3");
}

// Devices that send each answer twice, 100 ms apart, one with answers that name no key.
TEST_F(DeviceSearch, RepeatedAnswersCountOnlyForTheirOwnQuery)
{
    startDevices({"10001,127.0.0.2,001,005,repeat", "10002,127.0.0.3,002,007,bare"});
    conn.show();
    ASSERT_TRUE(pumpUntil([&] { return conn.lbxMsgs->count() == 4; }, 3000));
    conn.Timer->stop();  // one evaluation, not cut short by the next collection
    conn.EvaluateReplies();
    for (int r = 1; r <= 4; ++r)
        EXPECT_EQ(gridRow(r).mid(1, 3).join(' '), r < 3 ? "001 005 127.0.0.2" : "002 007 127.0.0.3");
}

// The real ports and the PC's own address table, in a network namespace of the test's own with
// a second network: the search goes to both broadcast addresses from port 8002, and the device
// that answers both shows up twice.
TEST_F(DeviceSearch, FixedPortsBroadcastToEveryNetwork)
{
    QWL_RUN_IN_OWN_NETNS();
    startDevices({"10001,127.0.0.2,001,005", "10002,10.8.0.7,002,007,none,255.255.255.0"}, 8001);
    udp.LocalUdpPort = 8002;
    udp.AddressTable = [] {
        auto table = platform::ReadIpAddrTable();
        table->insert(table->begin(), {0x0A090001, 0xFFFFFF00});  // down, its address kept: no route
        return table;
    };
    ASSERT_EQ(udp.DevicePort, 8001);
    searchOnce();
    EXPECT_TRUE(conn.lblNoNetwork->isHidden());
    const QStringList got = responder->Received();
    EXPECT_TRUE(got.contains("127.255.255.255 127.0.0.1:8002 b'0 1'")) << got.join('\n').toStdString();
    EXPECT_TRUE(got.contains("10.8.0.255 10.8.0.1:8002 b'0 1'")) << got.join('\n').toStdString();
    EXPECT_EQ(got.filter("b'0 1'").size(), 2);
    ASSERT_EQ(conn.sgrDevices->RowCount(), 5);
    EXPECT_EQ(gridRow(1), gridRow(2));
    EXPECT_EQ(gridRow(1), QStringList({"Nord", "001", "005", "127.0.0.2", "255.0.0.0"}));
    EXPECT_EQ(gridRow(3), gridRow(4));
    EXPECT_EQ(gridRow(3), QStringList({"Sued", "002", "007", "10.8.0.7", "255.255.255.0"}));

    // Screenshots for a person to look at, when asked for.
    const QString shots = qEnvironmentVariable("QWL_SCREENSHOT_DIR");
    if (!shots.isEmpty()) {
        conn.grab().save(QDir(shots).filePath("search_en.png"));
        SetLanguage(0);
        pumpFor(50);
        conn.grab().save(QDir(shots).filePath("search_de.png"));
    }
}

// Tab leaves the grid of devices for both buttons; Escape in the grid cancels.
TEST_F(DeviceSearch, TabReachesEveryButtonAndEscapeCancels)
{
    conn.show();
    EXPECT_TRUE(conn.lblNoNetwork->isVisible());  // no network in the address table
    conn.bbtOK->setEnabled(true);
    EXPECT_EQ(QList<QWidget*>({conn.sgrDevices, conn.bbtOK, conn.bbtQuit}), TabChain(&conn));
    QTest::keyClick(conn.sgrDevices, Qt::Key_Escape);
    EXPECT_TRUE(conn.isHidden() && conn.result() == 2);
}
