#include <QAccessible>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QElapsedTimer>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <string>
#include <sys/resource.h>
#include <vector>

#include "data/stationsettings.h"
#include "data/tdatetime.h"
#include "bench.h"
#include "comms/ftp/tapdftplog.h"
#include "comms/ftp/tapdftpclient.h"
#include "device/ftpcollect.h"
#include "device/tdatamodftp.h"
#include "device/tfrmftptransfer.h"
#include "peers/dbbwriter.h"
#include "peers/ftpdevice.h"
#include "platform/gui/dialogs.h"

namespace {

// Set in the child run of DownloadMonthAccessible: the figures carry "_a11y".
const bool Accessible = qEnvironmentVariableIsSet("QWL_BENCH_A11Y");
bool AccessibilitySeen = false;

std::string Name(const char* base, const char* rest)
{
    return std::string(base) + (Accessible ? "_a11y" : "") + rest;
}

// Processor time (user and system) of this process or of its children ended so far, in ms: what
// a run costs, whatever else the machine does meanwhile.
double CpuMs(int who)
{
    rusage u{};
    getrusage(who, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

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
double OursOnce(const FtpDevicePeer& peer, int& fetched, bool scan = false, double* cpuMs = nullptr)
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
    AccessibilitySeen = AccessibilitySeen || QAccessible::isActive();
    w.SetEndDateTime(EncodeDate(2007, 11, 30) + EncodeTime(23, 59, 0, 0));

    QElapsedTimer clock;
    clock.start();
    const double cpu = CpuMs(RUSAGE_SELF);
    w.bbtConnect->click();
    if (scan) {
        clock.restart();
        w.ScanRemoteFiles();
    } else {
        w.bbtDownLoad->click();
    }
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    if (cpuMs)
        *cpuMs = CpuMs(RUSAGE_SELF) - cpu;
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
double LftpOnce(const FtpDevicePeer& peer, double& cpuMs)
{
    QTemporaryDir mirror(BenchTemplate());
    const double cpu = CpuMs(RUSAGE_CHILDREN);
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
    cpuMs = CpuMs(RUSAGE_CHILDREN) - cpu;
    return ok && CountFiles(mirror.path()) == 720 ? ms : -1.0;
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
        std::printf("%s: skipped (%s)\n", Name("download_month", "_vs_lftp").c_str(), qPrintable(peer.error()));
        return;
    }
    std::vector<double> ours, theirs, oursCpu, theirCpu;
    bool lftpOk = true;
    for (int round = 0; round < 3; ++round) {
        int fetched = 0;
        double cpu = 0.0;
        ours.push_back(OursOnce(peer, fetched, false, &cpu));
        oursCpu.push_back(cpu);
        if (fetched != 720)
            std::printf("download_month: only %d of 720 files arrived\n", fetched);
        const double l = LftpOnce(peer, cpu);
        lftpOk = lftpOk && l > 0;
        theirs.push_back(l);
        theirCpu.push_back(cpu);
        if (qEnvironmentVariableIsSet("QWL_BENCH_ROUNDS"))
            std::printf("  round %d: ours %.0f ms, lftp %.0f ms\n", round, ours.back(), l);
    }
    const double a = bench::Median(ours);
    if (Accessible && !AccessibilitySeen) {
        std::printf("download_month_a11y_vs_lftp: skipped (the accessibility bridge did not come up)\n");
        return;
    }
    if (!lftpOk) {
        std::printf("%s: skipped (lftp failed)\n", Name("download_month", "_vs_lftp").c_str());
    } else {
        const double b = bench::Median(theirs);
        bench::Figure(Name("download_month", "_vs_lftp").c_str(), a / b, "ratio");
        bench::Figure(Name("download_month", "_lftp_ms").c_str(), b, "ms");
        bench::Figure(Name("download_month", "_cpu_vs_lftp").c_str(), bench::Median(oursCpu) / bench::Median(theirCpu), "ratio");
    }
    bench::Figure(Name("download_month", "_ms").c_str(), a, "ms");
    if (Accessible)
        return;
    int unused = 0;
    bench::Figure("collect_month_listing_ms", OursOnce(peer, unused, true), "ms");
}

// The same month through the real window on an X display (a private Xvfb) with the desktop's
// accessibility bus active and a screen reader listening (a11ysession.sh): every change of the
// window is then also sent over D-Bus. Runs DownloadMonth in a child of its own session. Run
// it on its own, a minute after another download benchmark (TIME_WAIT).
void DownloadMonthAccessible()
{
    if (Accessible)
        return;
    for (const char* tool : {"Xvfb", "dbus-run-session", "dbus-send"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()) {
            std::printf("download_month_a11y_vs_lftp: skipped (no %s)\n", tool);
            return;
        }
    if (!QFileInfo::exists(QStringLiteral("/usr/libexec/at-spi-bus-launcher"))) {
        std::printf("download_month_a11y_vs_lftp: skipped (no at-spi2-core)\n");
        return;
    }
    QProcess xvfb;
    xvfb.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                                        QStringLiteral("0"), QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"),
                                        QStringLiteral("tcp")});
    QElapsedTimer waited;
    waited.start();
    while (!xvfb.canReadLine() && xvfb.state() != QProcess::NotRunning && waited.elapsed() < 10000)
        xvfb.waitForReadyRead(100);
    const QByteArray display = xvfb.readLine().trimmed();
    if (display.isEmpty()) {
        std::printf("download_month_a11y_vs_lftp: skipped (Xvfb did not start)\n");
        return;
    }
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), u':' + QString::fromLatin1(display));
    env.insert(QStringLiteral("QWL_BENCH_A11Y"), QStringLiteral("1"));
    child.setProcessEnvironment(env);
    child.setStandardErrorFile(QProcess::nullDevice());
    child.start(QStringLiteral("dbus-run-session"),
                {QStringLiteral("--"), QStringLiteral(QWL_BENCH_DIR "/a11ysession.sh"),
                 QCoreApplication::applicationFilePath(), QStringLiteral("DownloadMonth")});
    child.waitForFinished(600000);
    // The session's daemons write to the same output: only the figures go on.
    for (const QByteArray& line : child.readAllStandardOutput().split('\n'))
        if (line.startsWith("download_month") || line.startsWith("  round"))
            std::printf("%s\n", line.constData());
    if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
        std::printf("download_month_a11y_vs_lftp: failed (%s)\n", qPrintable(child.errorString()));
    std::fflush(stdout);
    xvfb.terminate();
    xvfb.waitForFinished(5000);
}

}  // namespace

// A month folder listed as long as the command layer takes it (FtpMaxListingEntries): half of
// it names the 24 hours of the window again and again, half other names. The collection is one
// pass over it, whatever it keeps or drops.
void CollectLongListing()
{
    QStringList folder;
    const int64_t day = dbbtest::UtcSeconds(2007, 11, 20);
    for (int i = 0; folder.size() < FtpMaxListingEntries; ++i)
        folder << (i % 2 ? dbbtest::HexName(day + 3600 * (i / 2 % 24)) : QStringLiteral("X%1.dbb").arg(i));
    const FtpLister lister = [&](QStringList& list, const QString& mask) {
        if (mask.endsWith(QLatin1String("\\11\\*.*")))
            list << folder;
        else
            list << (mask.count(u'\\') == 1 ? QStringLiteral("2007") : QStringLiteral("11"));
        return 1;
    };
    const TStationSettings saved = CurrentStation;
    CurrentStation.ZoneBias = 0;
    QStringList got;
    const double us = bench::MedianMicros(5, [&] {
        got.clear();
        FtpCollectFiles(got, QStringLiteral("DBB"), EncodeDate(2007, 11, 20), EncodeDate(2007, 11, 20) + 0.999, lister,
                        nullptr);
    });
    CurrentStation = saved;
    if (got.size() != 24)
        std::printf("collect_long_listing: %d files taken, not 24\n", int(got.size()));
    bench::Figure("collect_long_listing_ms", us / 1000.0, "ms");
}

QWL_BENCH(DownloadMonth);
QWL_BENCH(CollectLongListing);
QWL_BENCH(DownloadMonthAccessible);
