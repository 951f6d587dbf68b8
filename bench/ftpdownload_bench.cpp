#include <QCheckBox>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <cstdio>

#include "app/data/stationsettings.h"
#include "app/data/tdatetime.h"
#include "bench.h"
#include "comms/tapdftplog.h"
#include "comms/tapdftpclient.h"
#include "device/tdatamodftp.h"
#include "device/tfrmftptransfer.h"
#include "peers/dbbwriter.h"
#include "peers/ftpdevice.h"
#include "platform/dialogs.h"

namespace {

int CountFiles(const QString& dir)
{
    int n = 0;
    for (QDirIterator it(dir, QDir::Files, QDirIterator::Subdirectories); it.hasNext(); it.next())
        ++n;
    return n;
}

// A month of hourly files (720 of 12 KB) from the simulated device into the data tree by the
// download window (connect, collect, retrieve, station check, rename), against lftp's mirror
// of the same folder from the same server.
void DownloadMonth()
{
    QTemporaryDir device, data, mirror;
    for (int h = 0; h < 720; ++h) {
        dbbtest::HourFile f;
        f.utcStart = dbbtest::UtcSeconds(2007, 11, 1) + 3600 * h;
        dbbtest::WriteDeviceHour(device.path(), f);
    }
    FtpDevicePeer peer(device.path());
    if (!peer.started()) {
        std::printf("download_month_vs_lftp: skipped (%s)\n", qPrintable(peer.error()));
        return;
    }
    const TStationSettings saved = CurrentStation;
    CurrentStation = TStationSettings{};
    CurrentStation.InitialDir = data.path();
    CurrentStation.RegionNumber = 1;
    CurrentStation.StationNumber = 5;
    CurrentStation.LoginName = CurrentStation.LoginPass = QStringLiteral("kqv");
    CurrentStation.IPAddress = peer.address();
    CurrentStation.LastUpdate = EncodeDate(2007, 11, 1);
    platform::DialogScript::begin();
    DataModFtp = new TDataModFtp;
    frmFtpTransfer = new TfrmFtpTransfer;
    DataModFtp->ApdFtpClient->SetWsPort(QString::number(peer.port()));
    TfrmFtpTransfer& w = *frmFtpTransfer;
    w.DownloadMode = true;
    w.show();
    w.SetEndDateTime(EncodeDate(2007, 11, 30) + EncodeTime(23, 59, 0, 0));

    QElapsedTimer clock;
    clock.start();
    w.bbtConnect->click();
    w.bbtDownLoad->click();
    const double ours = double(clock.nsecsElapsed()) / 1e6;
    const int fetched = CountFiles(data.path());
    clock.restart();
    w.ScanRemoteFiles();
    const double scan = double(clock.nsecsElapsed()) / 1e6;

    QProcess lftp;
    clock.restart();
    lftp.start(QStringLiteral("lftp"),
               {QStringLiteral("-u"), QStringLiteral("kqv,kqv"), QStringLiteral("-p"), QString::number(peer.port()),
                QStringLiteral("-e"),
                QStringLiteral("set ftp:passive-mode on; mirror DATA/DBB/2007/11 %1; quit").arg(mirror.path()),
                peer.address()});
    const bool lftpOk = lftp.waitForFinished(120000) && lftp.exitCode() == 0;
    const double theirs = double(clock.nsecsElapsed()) / 1e6;

    w.bbtExit->click();
    DataModFtp->FtpLogout(true);
    delete frmFtpTransfer;
    frmFtpTransfer = nullptr;
    delete DataModFtp;
    DataModFtp = nullptr;
    platform::DialogScript::end();
    CurrentStation = saved;

    if (fetched != 720)
        std::printf("download_month: only %d of 720 files arrived\n", fetched);
    if (!lftpOk || CountFiles(mirror.path()) != 720) {
        std::printf("download_month_vs_lftp: skipped (lftp failed)\n");
    } else {
        bench::Figure("download_month_vs_lftp", ours / theirs, "ratio");
        bench::Figure("download_month_lftp_ms", theirs, "ms");
    }
    bench::Figure("download_month_ms", ours, "ms");
    bench::Figure("collect_month_listing_ms", scan, "ms");
}

}  // namespace

QWL_BENCH(DownloadMonth);
