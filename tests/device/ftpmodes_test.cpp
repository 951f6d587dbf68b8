#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <gtest/gtest.h>

#include "app/appstate.h"
#include "data/dbbnames.h"
#include "app/windows/stationwindows.h"
#include "app/windows/tfrmdirselect.h"
#include "app/windows/tfrmstatname.h"
#include "device/tdatamodudp.h"
#include "device/tfrmconnect.h"
#include "ftpfixture.h"
#include "peers/udpresponder.h"
#include "platform/gui/tstringgrid.h"
#include "samples.h"

namespace {


// The identification, upload and log modes against the simulated device: FTP and the search
// responder on 127.0.0.1, the station list of the program behind the program state.
class FtpModes : public FtpFixture {
protected:
    void SetUp() override
    {
        FtpFixture::SetUp();
        frmStation = stations.get();
        frmDirSelect = dirSelect.get();
        frmStatName = statName.get();
        frmConnect = &conn;
        DataModUDP = &udp;
        conn.ReportFrom(udp);
        RegisterProgramState();
        TStringGrid* list = stations->stgList;
        list->SetRowCount(3);
        list->SetRowTexts(1, stationRow("001", "005", "Hafen", "10.0.0.1"));
        list->SetRowTexts(2, stationRow("002", "007", "Markt", "10.0.0.2"));
        stations->ActiveRow = 2;
        ASSERT_TRUE(stations->ReadStationRow(CurrentStation));
        CurrentStation.InitialDir = dataDir;
        CurrentStation.IPAddress = QStringLiteral("127.0.0.1");
        udp.LocalUdpPort = 0;
    }
    void TearDown() override
    {
        UnregisterProgramState();
        frmConnect = nullptr;
        DataModUDP = nullptr;
        frmStation = nullptr;
        frmDirSelect = nullptr;
        frmStatName = nullptr;
        FtpFixture::TearDown();
    }

    // The station's own device on 127.0.0.1, and any others given.
    void startUdp(const QString& fault, const QStringList& others = {})
    {
        responder = std::make_unique<peers::UdpResponder>(QStringList{"10001,127.0.0.1,001,005," + fault} + others);
        ASSERT_TRUE(responder->ok());
        udp.DevicePort = responder->Port();
    }
    QStringList row(int r) const { return stations->stgList->RowTexts(r).mid(0, 11); }

    std::unique_ptr<TfrmStation> stations = std::make_unique<TfrmStation>();
    std::unique_ptr<TfrmDirSelect> dirSelect = std::make_unique<TfrmDirSelect>();
    std::unique_ptr<TfrmStatName> statName = std::make_unique<TfrmStatName>();
    TfrmConnect conn;
    TDataModUDP udp;
    std::unique_ptr<peers::UdpResponder> responder;
};

}  // namespace

TEST_F(FtpModes, IdentificationTakesTheDevicesStationOrAsks)
{
    struct Case {
        const char* fault;  // of the search responder
        std::vector<int> answers;
        int chooseRow;  // row picked by hand in the station list, 0 none shown
        int region, station;
        int activeRow;  // the row that takes the address and login
        QStringList others = {};  // more devices on the network
    } cases[] = {
        {"none", {}, 0, 1, 5, 1},
        {"silent", {platform::mrNo}, 0, 0, 0, 2},
        {"wrongid", {platform::mrYes}, 2, 2, 7, 2},
        // Markt's device answers every query first, also with the id asked for.
        {"none", {}, 0, 1, 5, 1, {"10002,127.0.0.2,002,007,foreign"}},
        {"silent", {platform::mrNo}, 0, 0, 0, 2, {"10002,127.0.0.2,002,007,foreign"}},
        {"repeat", {}, 0, 1, 5, 1},
        {"bare", {}, 0, 1, 5, 1},  // answers sent twice
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((QString(c.fault) + c.others.join(u' ')).toStdString());
        startUdp(c.fault, c.others);
        startDevice();
        stations->ActiveRow = 2;
        ASSERT_TRUE(stations->ReadStationRow(CurrentStation));
        platform::DialogScript::clearShown();
        for (int a : c.answers)
            platform::DialogScript::answer(a);
        if (c.chooseRow)
            whenShown(stations.get(), [&] {
                stations->ActiveRow = c.chooseRow;
                stations->done(1);
            });
        frmFtpTransfer->show();
        frmFtpTransfer->SetIpAddressEdits(QStringLiteral("127.0.0.1"));
        frmFtpTransfer->edUser->setText(QStringLiteral("KQV"));
        frmFtpTransfer->edPassw->setText(QStringLiteral("kqv"));
        frmFtpTransfer->bbtConnectClick();

        EXPECT_EQ(frmFtpTransfer->TransferResult, 1);
        EXPECT_TRUE(DataModFtp->LoggedIn());  // kept for the online mode
        EXPECT_EQ(CurrentStation.RegionNumber, c.region);
        EXPECT_EQ(CurrentStation.StationNumber, c.station);
        EXPECT_EQ(CurrentStation.IPAddress, "127.0.0.1");
        EXPECT_EQ(stations->ActiveRow, c.activeRow);
        EXPECT_EQ(stations->stgList->Cells(3, c.activeRow), "127.0.0.1");
        EXPECT_EQ(stations->stgList->Cells(9, c.activeRow), "KQV");
        EXPECT_EQ(shownTexts(), c.answers.empty() ? QStringList() : QStringList{MsgRegionStationUnknown});
        EXPECT_EQ(stations->stgList->Cells(3, 3 - c.activeRow), c.activeRow == 1 ? "10.0.0.2" : "10.0.0.1");
        DataModFtp->FtpLogout(true);
        stations->stgList->SetRowTexts(1, stationRow("001", "005", "Hafen", "10.0.0.1"));
        stations->stgList->SetRowTexts(2, stationRow("002", "007", "Markt", "10.0.0.2"));
    }
}

TEST_F(FtpModes, UploadStoresEveryFileOfTheFolderBelowBinOrStops)
{
    QTemporaryDir sets;
    const QString set = sets.path() + QStringLiteral("/update42");
    const QByteArray image(70000, 'b');
    dbbtest::WriteFile(set, QStringLiteral("qwl.bin"), image);
    dbbtest::WriteFile(set, QStringLiteral("conf.txt"), QByteArray("x=1\n"));
    QDir().mkpath(set + QStringLiteral("/sub"));  // no file: counted as not transferred

    struct {
        const char* name;
        bool blocked;       // a file in BIN has the new folder's name
        const char* fault;  // of the device
        const char* left = nullptr;  // a store fails ("abort": the operator aborts): the files left
    } cases[] = {{"stored", false, nullptr},
                 {"cannot change into the folder", true, nullptr},
                 {"the device closes at a file, Retry stores it", false, "close conf.txt 0 1"},
                 {"data connection reset", false, "sdrop qwl.bin 30000", "conf.txt"},
                 {"452 after the data", false, "sfail qwl.bin 452", "conf.txt"},
                 {"another size on the device", false, "sfail qwl.bin 226 69999", "conf.txt"},
                 {"delete refused", false, "sfail qwl.bin 452;refuse DELE qwl.bin 550", "conf.txt qwl.bin"},
                 {"abort", false, "abort", "conf.txt"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QDir(device.path()).removeRecursively();
        QDir().mkpath(device.path() + QStringLiteral("/BIN"));
        if (c.blocked)
            dbbtest::WriteFile(device.path(), QStringLiteral("BIN/update42"), QByteArray("file"));
        startDevice();
        for (const QString& f : QString(c.fault).split(u';', Qt::SkipEmptyParts))
            ASSERT_TRUE(f == "abort" || peer->command(f));
        if (QString(c.fault) == "abort")
            DataModFtp->OnProgressLine = [](const QString& line) {
                if (line.section(u' ', 2, 2).toInt() > 10000)
                    QMetaObject::invokeMethod(frmFtpTransfer->bbtAbort, &QPushButton::click, Qt::QueuedConnection);
            };
        platform::DialogScript::clearShown();
        whenShown(dirSelect.get(), [&] {
            dirSelect->SelectFolder(set);
            dirSelect->bbtOk->click();
        });
        frmFtpTransfer->SysUpdateMode = true;
        frmFtpTransfer->show();
        frmFtpTransfer->UploadConnectClick();
        ASSERT_EQ(frmFtpTransfer->lbxDir->count(), 3);
        ASSERT_TRUE(frmFtpTransfer->bbtUpLoad->isEnabled());
        frmFtpTransfer->bbtUpLoadSysClick();

        if (c.left) {
            EXPECT_EQ(filesBelow(device.path() + "/BIN/update42").join(u' '), c.left);
            EXPECT_EQ(frmFtpTransfer->lblLoadFile->text(), "2 " + TxtFilesNotTransferred);
            EXPECT_EQ(shownTexts().filter(MsgCutFileLeft + "BIN\\update42\\qwl").size(), QString(c.left).count(u' '));
        } else if (c.blocked) {
            EXPECT_EQ(filesBelow(device.path()), QStringList{"BIN/update42"});
            EXPECT_FALSE(shownTexts().isEmpty());
            EXPECT_EQ(frmFtpTransfer->lblLoadFile->text(), "3 " + TxtFilesNotTransferred);
        } else {
            EXPECT_EQ(filesBelow(device.path()), QStringList({"BIN/update42/conf.txt", "BIN/update42/qwl.bin"}));
            EXPECT_EQ(bytesOf(device.path() + "/BIN/update42/qwl.bin"), image);
            EXPECT_EQ(frmFtpTransfer->lbxDir->item(1)->text(), set + "/qwl.bin - " + TxtCopied);
            EXPECT_EQ(frmFtpTransfer->lblLoadFile->text(), "1 " + TxtFilesNotTransferred);
            // The closed connection or the data connection reset with it, then the question.
            EXPECT_EQ(shownTexts().mid(1), c.fault ? QStringList{MsgTransferRetry} : QStringList());
        }
        EXPECT_TRUE(frmFtpTransfer->bbtExit->isEnabled());
        frmFtpTransfer->hide();
        DataModFtp->FtpLogout(true);
    }
}

TEST_F(FtpModes, LogsLandInTheStationsLogFolderOnlyWithRetry)
{
    dbbtest::WriteFile(device.path(), QStringLiteral("LOG/current.log"), QByteArray("now\n"));
    dbbtest::WriteFile(device.path(), QStringLiteral("LOG/OLD/a.log"), QByteArray("a\n"));
    dbbtest::WriteFile(device.path(), QStringLiteral("LOG/OLD/20230101-000000-old.log"), QByteArray("long\n"));
    startDevice();
    ASSERT_TRUE(peer->command(QStringLiteral("extra /LOG/OLD ../x.log")));
    ASSERT_TRUE(peer->command(QStringLiteral("close current.log 0 1")));
    platform::DialogScript::answer(platform::mrRetry);

    frmFtpTransfer->DownloadDeviceLogs(QStringLiteral("current.log"), StationDir(1, 5));

    // The window is closed while the logs come: what failed is told before the question.
    EXPECT_EQ(shownTexts(), QStringList({MsgTransferClosed, MsgTransferRetry}));
    EXPECT_EQ(filesBelow(outer.path()), QStringList({"data/Reg001/Stat005/Log/20230101-000000-old.log",
                                                     "data/Reg001/Stat005/Log/a.log",
                                                     "data/Reg001/Stat005/Log/current.log"}));
    EXPECT_EQ(bytesOf(dataDir + "/Reg001/Stat005/Log/current.log"), "now\n");
    QStringList entries;
    for (int i = 0; i < frmFtpTransfer->lbxDir->count(); ++i)
        entries << frmFtpTransfer->lbxDir->item(i)->text();
    EXPECT_TRUE(entries.contains("OLD\\a.log              - " + TxtCopied)) << entries.join('|').toStdString();
    EXPECT_TRUE(entries.contains("OLD\\20230101-000000-old.log - " + TxtCopied));
    EXPECT_TRUE(entries.contains("OLD\\../x.log")) << entries.join("|").toStdString();
    EXPECT_FALSE(DataModFtp->LoggedIn());

    // A log beyond its bound is told and skipped, the others come; an old "current.log" keeps its
    // own name; a log shorter than announced fails, and Retry brings it whole.
    QDir(dataDir).removeRecursively();
    dbbtest::WriteFile(device.path(), QStringLiteral("LOG/OLD/current.log"), QByteArray("old current\n"));
    ASSERT_TRUE(peer->command(QStringLiteral("cut current.log -17000000 1")));
    ASSERT_TRUE(peer->command(QStringLiteral("cut a.log 1 1")));
    platform::DialogScript::clearShown();
    frmFtpTransfer->DownloadDeviceLogs(QStringLiteral("current.log"), StationDir(1, 5));
    EXPECT_EQ(shownTexts(), QStringList({MsgFileTooLarge.arg(FtpMaxLogFileBytes) + "current.log",
                                         MsgFileIncomplete + "OLD\\a.log", MsgTransferRetry}));
    const QString logs = dataDir + "/Reg001/Stat005/Log/";
    EXPECT_EQ(filesBelow(logs), QStringList({"20230101-000000-old.log", "OLD_current.log", "a.log"}));
    EXPECT_TRUE(bytesOf(logs + "OLD_current.log") == "old current\n" && bytesOf(logs + "a.log") == "a\n");
}

TEST_F(FtpModes, CancelledFolderChoiceStillConnectsAndOffersOnlyConnect)
{
    startDevice();
    whenShown(dirSelect.get(), [&] { dirSelect->done(2); });
    frmFtpTransfer->SysUpdateMode = true;
    frmFtpTransfer->show();
    frmFtpTransfer->UploadConnectClick();
    EXPECT_TRUE(DataModFtp->LoggedIn());
    EXPECT_EQ(frmFtpTransfer->lbxDir->count(), 0);
    EXPECT_TRUE(frmFtpTransfer->bbtConnect->isEnabled());
    EXPECT_FALSE(frmFtpTransfer->bbtUpLoad->isEnabled());
}
