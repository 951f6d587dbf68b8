// How soon the waits on a misbehaving device end: an hour file trickling in and 2,000 logs
// from a slow device, each left 5 s after it began (the Abort of the main window and of the
// log window); a listing that never ends, past its bound and past its time-out.
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <functional>

#include "bench.h"
#include "comms/ftp/tapdftpclient.h"
#include "data/stationsettings.h"
#include "device/tdatamodftp.h"
#include "device/tfrmftptransfer.h"
#include "peers/dbbwriter.h"
#include "peers/ftpdevice.h"
#include "platform/gui/dialogs.h"

namespace {

// Runs work against a device on root with fault set; leave (if any) runs after leaveAfterMs.
// The figure is what work returns, else from leave, or from the start, to the end of work.
void Measure(const char* name, const QString& root, const QString& fault, int leaveAfterMs,
             const std::function<double()>& work, const std::function<void()>& leave)
{
    FtpDevicePeer peer(root);
    if (!peer.started() || !peer.command(fault)) {
        std::printf("%s: skipped (%s)\n", name, qPrintable(peer.error()));
        return;
    }
    platform::DialogScript::begin();
    const TStationSettings saved = CurrentStation;
    CurrentStation.IPAddress = peer.address();
    DataModFtp = new TDataModFtp;
    frmFtpTransfer = new TfrmFtpTransfer;
    DataModFtp->ApdFtpClient->SetWsPort(QString::number(peer.port()));
    DataModFtp->ListingWaitSeconds = 2;
    QElapsedTimer t;
    t.start();
    if (leave)
        QTimer::singleShot(leaveAfterMs, [&] {
            t.restart();
            leave();
        });
    const double own = work();
    bench::Figure(name, own >= 0 ? own : double(t.nsecsElapsed()) / 1e6, "ms");
    DataModFtp->FtpLogout(true);
    delete frmFtpTransfer;
    frmFtpTransfer = nullptr;
    delete DataModFtp;
    DataModFtp = nullptr;
    CurrentStation = saved;
    platform::DialogScript::end();
}

bool Connect()
{
    return DataModFtp->FtpConnect(CurrentStation.IPAddress, QStringLiteral("kqv"), QStringLiteral("kqv"));
}

void ftp_waits_left_ms()
{
    QTemporaryDir device, local;
    const int64_t hour = dbbtest::UtcSeconds(2007, 11, 20, 10);
    dbbtest::HourFile f;
    f.utcStart = hour;
    dbbtest::WriteDeviceHour(device.path(), f);
    const QString remote = QStringLiteral("DATA\\DBB\\2007\\11\\") + dbbtest::HexName(hour);
    Measure(
        "leave_trickling_hour_ms", device.path(), QStringLiteral("slow *.dbb 20 1000"), 5000,
        [&] {
            Connect() && DataModFtp->FtpRetrieve(remote, local.filePath("Temp.dbb"), FtpMaxHourFileBytes);
            return -1.0;
        },
        [] { DataModFtp->FtpAbort(); });

    dbbtest::WriteFile(device.path(), QStringLiteral("LOG/current.log"), QByteArray("now\r\n"));
    for (int i = 0; i < 2000; ++i)
        dbbtest::WriteFile(device.path(), QStringLiteral("LOG/OLD/%1.log").arg(i, 4, 10, QLatin1Char('0')),
                           QByteArray(200, 'x'));
    CurrentStation.InitialDir = local.path();
    Measure(
        "leave_2000_logs_ms", device.path(), QStringLiteral("slow ????.log 100 20"), 5000,
        [] {
            frmFtpTransfer->DownloadDeviceLogs(QStringLiteral("current.log"), QStringLiteral("Reg001/Stat005"));
            return -1.0;
        },
        [] { frmFtpTransfer->AbortDeviceLogs(); });

    // From the listing's start: its bound reached and the listing ended; past its 2 s time-out.
    QStringList names;
    const auto listing = [&](double minus) {
        if (!Connect())
            return -1.0;
        QElapsedTimer t;
        t.start();
        DataModFtp->FtpListDir(names, QStringLiteral("LOG\\*.*"));
        return double(t.nsecsElapsed()) / 1e6 - minus;
    };
    Measure(
        "listing_past_16mib_ms", device.path(), QStringLiteral("nlst /LOG endless 0 0"), 0, [&] { return listing(0); },
        nullptr);
    Measure(
        "listing_past_timeout_ms", device.path(), QStringLiteral("nlst /LOG endless 20 100"), 0,
        [&] { return listing(2000); }, nullptr);
}
QWL_BENCH(ftp_waits_left_ms);

}  // namespace
