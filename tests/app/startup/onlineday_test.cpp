#include <QLabel>
#include <QTemporaryDir>

#include "appfixture.h"
#include "comms/ftp/tapdftpclient.h"
#include "device/tdatamodftp.h"
#include "peers/dbbwriter.h"
#include "peers/ftpdevice.h"
#include "platform/gui/tradiogroup.h"

using dbbtest::UtcSeconds;

// The main window online on the simulated device: the day equals the offline load of the same
// files; a file only in the flat folder is a 550 miss that stays online; a device that went
// away ends online mode with its message and no "Temp.dbb".
TEST_F(AppFixture, OnlineDayComesFromTheDevice)
{
    writeIni("[Station]\nInitialDir=" + dir.path().toUtf8() +
             "\n[Timezone]\nZone=-3600\nDaylight=0\n"
             "[Stations]\nActiv=1\nCount=0\nCount2=1\n[Station1]\nRegion=001\nNumber=005\nName=Hafen\n");
    QTemporaryDir device, local;
    const TDateTime day = EncodeDate(2007, 11, 23);
    const int64_t flatHour = UtcSeconds(2007, 11, 23, 6, 20);
    QList<dbbtest::HourFile> hours;
    for (int64_t u = UtcSeconds(2007, 11, 21, 22, 20); u < UtcSeconds(2007, 11, 25); u += 3600) {
        dbbtest::HourFile f;
        f.utcStart = u;
        hours << f;
        if (u == flatHour)
            dbbtest::WriteFile(device.path(), QStringLiteral("DATA/DBB/") + dbbtest::HexName(u), dbbtest::HourFileBytes(f));
        else
            dbbtest::WriteDeviceHour(device.path(), f);
    }
    FtpDevicePeer peer(device.path());
    ASSERT_TRUE(peer.started()) << peer.error().toStdString();
    start();
    DataModFtp->ApdFtpClient->SetWsPort(QString::number(peer.port()));
    ASSERT_TRUE(DataModFtp->FtpConnect(peer.address(), QStringLiteral("kqv"), QStringLiteral("kqv")));
    TMainFormHvtk& m = *MainFormHvtk;
    m.OnlineMode = true;
    m.RemoteFileList->Clear();
    platform::DialogScript::clearShown();

    EXPECT_TRUE(m.LoadDay(day));
    EXPECT_TRUE(m.OnlineMode);
    EXPECT_TRUE(platform::DialogScript::shown().empty());
    const TSampleBuffer online = m.SampleBuffer;

    for (const dbbtest::HourFile& f : hours)
        dbbtest::WriteLocalHour(dir.path(), f);
    m.OnlineMode = false;
    EXPECT_TRUE(m.LoadDay(day));
    EXPECT_TRUE(online == m.SampleBuffer);
    EXPECT_NE(online[size_t(7 * 6000 + 50)], 0);  // the hour from the flat folder (07:20 local)

    // The listing of the month stays; the device is gone before the next day.
    m.OnlineMode = true;
    peer.kill();
    m.LoadDay(day + 1);
    EXPECT_FALSE(m.OnlineMode);
    EXPECT_EQ(m.rdgOnline->ItemIndex(), 0);
    const auto& shown = platform::DialogScript::shown();
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.front().text, MsgTransferClosed);
    EXPECT_FALSE(QFile::exists(dir.filePath("Temp.dbb")));
    // The rest of the day came from the local tree.
    EXPECT_NE(m.SampleBuffer[size_t(12 * 6000)], 0);
    closeMain();
}
