#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QElapsedTimer>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

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

// Bench trees in memory where the machine has it: on a test machine /tmp is full of
// just-deleted files, and creating a file there can cost more than fetching it.
QString BenchTemplate()
{
    const QFileInfo shm(QStringLiteral("/dev/shm"));
    const QString base = shm.isDir() && shm.isWritable() ? shm.filePath() : QDir::tempPath();
    return base + QStringLiteral("/qwlbench-XXXXXX");
}

// Connect, collect, retrieve, station check, rename: the month through the download window.
// With scan set, only the listing of the month after the connect is timed.
double OursOnce(const FtpDevicePeer& peer, int& fetched, bool scan = false)
{
    QTemporaryDir data(BenchTemplate());
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
    if (scan) {
        clock.restart();
        w.ScanRemoteFiles();
    } else {
        w.bbtDownLoad->click();
    }
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    fetched = CountFiles(data.path());

    w.bbtExit->click();
    DataModFtp->FtpLogout(true);
    delete frmFtpTransfer;
    frmFtpTransfer = nullptr;
    delete DataModFtp;
    DataModFtp = nullptr;
    platform::DialogScript::end();
    CurrentStation = saved;
    return ms;
}

// lftp's mirror of the same folder from the same server; negative when it failed.
double LftpOnce(const FtpDevicePeer& peer)
{
    QTemporaryDir mirror(BenchTemplate());
    QProcess lftp;
    QElapsedTimer clock;
    clock.start();
    lftp.start(QStringLiteral("lftp"),
               {QStringLiteral("-u"), QStringLiteral("kqv,kqv"), QStringLiteral("-p"), QString::number(peer.port()),
                QStringLiteral("-e"),
                QStringLiteral("set ftp:passive-mode on; mirror DATA/DBB/2007/11 %1; quit").arg(mirror.path()),
                peer.address()});
    const bool ok = lftp.waitForFinished(120000) && lftp.exitCode() == 0;
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    return ok && CountFiles(mirror.path()) == 720 ? ms : -1.0;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// A month of hourly files (720 of 12 KB) from the simulated device into the data tree by the
// download window, against lftp's mirror of the same folder from the same server; the two
// alternate for three rounds and each figure is the median.
void DownloadMonth()
{
    QTemporaryDir device(BenchTemplate());
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
    std::vector<double> ours, theirs;
    bool lftpOk = true;
    for (int round = 0; round < 3; ++round) {
        int fetched = 0;
        ours.push_back(OursOnce(peer, fetched));
        if (fetched != 720)
            std::printf("download_month: only %d of 720 files arrived\n", fetched);
        const double l = LftpOnce(peer);
        lftpOk = lftpOk && l > 0;
        theirs.push_back(l);
        if (qEnvironmentVariableIsSet("QWL_BENCH_ROUNDS"))
            std::printf("  round %d: ours %.0f ms, lftp %.0f ms\n", round, ours.back(), l);
    }
    const double a = Median(ours);
    if (!lftpOk) {
        std::printf("download_month_vs_lftp: skipped (lftp failed)\n");
    } else {
        const double b = Median(theirs);
        bench::Figure("download_month_vs_lftp", a / b, "ratio");
        bench::Figure("download_month_lftp_ms", b, "ms");
    }
    bench::Figure("download_month_ms", a, "ms");
    int unused = 0;
    bench::Figure("collect_month_listing_ms", OursOnce(peer, unused, true), "ms");
}

}  // namespace

QWL_BENCH(DownloadMonth);
