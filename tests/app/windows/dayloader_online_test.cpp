#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "data/runtimetexts.h"
#include "data/stationsettings.h"
#include "data/tdatetime.h"
#include "app/windows/tdayloader.h"
#include "app/windows/tdayloaderhost.h"
#include "peers/dbbwriter.h"
#include "platform/gui/dialogs.h"

using dbbtest::HourFile;
using dbbtest::UtcSeconds;

namespace {

// A device tree on disk standing in for the FTP command layer.
class FakeDevice : public TDayLoaderHost {
public:
    explicit FakeDevice(QString root) : m_root(std::move(root)) {}
    bool OnlineMode() const override { return online; }
    bool RemoteFileListEmpty() const override { return list.isEmpty(); }
    void FtpListDir(const QString& mask) override
    {
        masks << mask;
        QString folder = mask;
        folder.replace(u'\\', u'/');
        folder = folder.left(folder.lastIndexOf(u'/'));
        for (const QString& name : QDir(m_root + u'/' + folder).entryList({QStringLiteral("*.dbb")}, QDir::Files))
            list << name.toUpper();
    }
    QString FindRemoteFile(const QString& name) const override
    {
        for (const QString& n : list)
            if (n.compare(name, Qt::CaseInsensitive) == 0)
                return n;
        return QString();
    }
    bool FtpGetFile(const QString& remote, const QString& local) override
    {
        fetched << remote;
        if (failGoingOffline)
            return online = false;
        QString path = remote;
        path.replace(u'\\', u'/');
        // Device names compare case-insensitively.
        const QFileInfo info(m_root + u'/' + path);
        const QStringList hit = QDir(info.path()).entryList({info.fileName()}, QDir::Files);
        QFile::remove(local);
        if (hit.isEmpty() || !QFile::copy(info.path() + u'/' + hit.first(), local))
            return false;
        if (goOfflineAfterFetch)
            online = false;
        return true;
    }
    bool online = true;
    bool goOfflineAfterFetch = false;
    bool failGoingOffline = false;  // as a transfer that failed for another reason than 550
    QStringList list, masks, fetched;

private:
    QString m_root;
};

}  // namespace

TEST(DayLoaderOnline, ListsTheMonthAndFetchesEachHourIntoTheTempFile)
{
    QTemporaryDir data, device;
    TStationSettings saved = CurrentStation;
    CurrentStation.InitialDir = data.path();
    CurrentStation.ZoneBias = -3600;
    CurrentStation.Daylight = false;
    CurrentStation.RegionNumber = 1;
    CurrentStation.StationNumber = 5;
    platform::DialogScript::begin();

    const int64_t midnight = UtcSeconds(2007, 11, 22, 23);
    for (int h = 0; h <= 24; ++h) {
        HourFile f;
        f.utcStart = midnight + 3600 * h;
        if (h == 6)  // an older device's file directly in DBB
            dbbtest::WriteFile(device.path(), QStringLiteral("DATA/DBB/") + dbbtest::HexName(f.utcStart),
                               dbbtest::HourFileBytes(f));
        else
            dbbtest::WriteDeviceHour(device.path(), f);
    }
    FakeDevice host(device.path());
    auto samples = std::make_unique<TSampleBuffer>();
    auto levels = std::make_unique<TMinuteLevels>();
    TDayLoader loader(*samples, *levels, host);
    EXPECT_TRUE(loader.LoadDay(EncodeDate(2007, 11, 23)));

    EXPECT_EQ(host.masks, (QStringList{QStringLiteral("DATA\\DBB\\2007\\11\\*.DBB"), QStringLiteral("DATA\\DBB\\*.DBB")}));
    EXPECT_TRUE(host.fetched.contains(QStringLiteral("DATA\\DBB\\2007\\11\\4746CED0.DBB")));
    // The hour of the flat folder is tried in the month folder first.
    const int flat = int(host.fetched.indexOf(QStringLiteral("DATA\\DBB\\") + dbbtest::HexName(midnight + 6 * 3600)));
    ASSERT_GT(flat, 0);
    EXPECT_EQ(host.fetched[flat - 1],
              QStringLiteral("DATA\\DBB\\2007\\11\\") + dbbtest::HexName(midnight + 6 * 3600).toUpper());
    for (int h = 0; h <= 24; ++h)
        EXPECT_EQ((*samples)[size_t(h * 6000 + 30)], dbbtest::PositionWord(midnight + 3600 * h, 30)) << h;
    EXPECT_TRUE(QFile::exists(data.path() + QStringLiteral("/Temp.dbb")));
    EXPECT_TRUE(platform::DialogScript::shown().empty());

    // A load that leaves online mode part way looks the later hours up locally.
    host.online = true;
    host.goOfflineAfterFetch = true;
    host.fetched.clear();
    for (int h = 12; h < 24; ++h) {
        HourFile f;
        f.utcStart = midnight + 3600 * h;
        dbbtest::WriteLocalHour(data.path(), f);
    }
    EXPECT_TRUE(loader.LoadDay(EncodeDate(2007, 11, 23)));
    EXPECT_EQ(host.fetched.size(), 1);
    EXPECT_EQ((*samples)[0], dbbtest::PositionWord(midnight, 0));
    EXPECT_EQ((*samples)[6000], 0);
    EXPECT_EQ((*samples)[12 * 6000], dbbtest::PositionWord(midnight + 12 * 3600, 0));

    // A transfer failed but for a missing file has left online mode and said so: no more tries.
    host.online = host.failGoingOffline = true;
    host.fetched.clear();
    loader.LoadDay(EncodeDate(2007, 11, 23));
    EXPECT_EQ(host.fetched, QStringList{QStringLiteral("DATA\\DBB\\2007\\11\\") + dbbtest::HexName(midnight).toUpper()});

    // What the download would refuse (another hour than the name, a file cut short) is not drawn; told once.
    host.failGoingOffline = host.goOfflineAfterFetch = false;
    host.online = true;
    const QString savedText = MsgFileOtherHour;
    MsgFileOtherHour = QStringLiteral("File holds another hour than its name: ");
    for (const int h : {3, 4, 5}) {
        const HourFile f{.utcStart = midnight + 3600 * (h == 5 ? h : h + 1), .truncateTo = h == 5 ? 9000 : -1};
        dbbtest::WriteFile(device.path(), dbbtest::DeviceTreePath(midnight + 3600 * h), dbbtest::HourFileBytes(f));
    }
    EXPECT_TRUE(loader.LoadDay(EncodeDate(2007, 11, 23)));
    for (int h = 0; h <= 24; ++h)
        EXPECT_EQ((*samples)[size_t(h * 6000 + 30)] != 0, h < 3 || h > 5) << h;
    ASSERT_EQ(platform::DialogScript::shown().size(), 1u);
    EXPECT_EQ(platform::DialogScript::shown()[0].text,
              MsgFileOtherHour + "DATA\\DBB\\2007\\11\\" + dbbtest::HexName(midnight + 3 * 3600).toUpper());
    MsgFileOtherHour = savedText;

    platform::DialogScript::end();
    CurrentStation = saved;
}
