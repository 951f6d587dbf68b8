// How long leaving a device takes when its control connection has fallen silent in the middle
// of a RETR (both connections open, nothing sent): the download window's Abort, and the log-out
// of Exit and of a closing program.
#include <QDir>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>

#include "bench.h"
#include "comms/ftp/tapdftpclient.h"
#include "device/tdatamodftp.h"
#include "peers/tcppeer.h"
#include "platform/gui/dialogs.h"

namespace {

// Logs in, opens the passive data connection, and answers nothing from RETR on.
struct SilentAtRetr {
    TcpPeer ctl, data;
    QTimer answering;
    bool silent = false;

    SilentAtRetr()
    {
        QObject::connect(&answering, &QTimer::timeout, [this] { Answer(); });
        answering.start(2);
    }
    void Say(const QByteArray& Reply) { ctl.send(Reply + "\r\n"); }
    void Answer()
    {
        data.tryAccept();
        if (!ctl.connected()) {
            if (ctl.tryAccept())
                Say("220 ready");
            return;
        }
        ctl.poll();
        QByteArray& in = ctl.received();
        for (qsizetype end; (end = in.indexOf("\r\n")) >= 0; in.remove(0, end + 2)) {
            const QByteArray c = in.left(end);
            silent = silent || c.startsWith("RETR");
            if (silent)
                continue;
            Say(c.startsWith("USER")   ? QByteArray("331 password")
                : c.startsWith("PASS") ? QByteArray("230 in")
                : c.startsWith("PASV") ? "227 Passive (127,0,0,1," + QByteArray::number(data.port() >> 8) + ',' +
                                             QByteArray::number(data.port() & 0xFF) + ')'
                                       : QByteArray("200 ok"));
        }
    }
};

// Connected, logged in and inside a RETR the device no longer answers; then Leave runs from a
// timer and the figure is from there to the closed connection.
void Measure(const char* Name, const std::function<void()>& Leave)
{
    platform::DialogScript::begin();
    SilentAtRetr dev;
    TDataModFtp ftp;
    ftp.ApdFtpClient->SetWsPort(QString::number(dev.ctl.port()));
    if (!ftp.FtpConnect(QStringLiteral("127.0.0.1"), QStringLiteral("kqv"), QStringLiteral("kqv"))) {
        std::printf("%s: skipped (no log-in)\n", Name);
        platform::DialogScript::end();
        return;
    }
    DataModFtp = &ftp;
    QElapsedTimer t;
    QTimer::singleShot(300, [&] {
        t.start();
        Leave();
    });
    ftp.FtpRetrieve(QStringLiteral("f.dbb"), QDir::tempPath() + QStringLiteral("/qwlbench-leave.dbb"));
    if (ftp.ApdFtpClient->Connected())
        ftp.FtpLogout(false);
    bench::Figure(Name, double(t.nsecsElapsed()) / 1e6, "ms");
    DataModFtp = nullptr;
    platform::DialogScript::end();
}

void ftp_leave_silent_device_ms()
{
    // bbtAbort: the abort, then the log-out without wait.
    Measure("ftp_abort_silent_device_ms", [] {
        DataModFtp->FtpAbort();
        DataModFtp->FtpLogout(false);
    });
    // Exit, and a closing program: the log-out without wait, which aborts what runs.
    Measure("ftp_exit_silent_device_ms", [] { DataModFtp->FtpLogout(false); });
}
QWL_BENCH(ftp_leave_silent_device_ms);

}  // namespace
