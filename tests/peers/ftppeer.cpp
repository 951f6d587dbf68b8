#include "peers/ftppeer.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

sockaddr_in Loopback(uint16_t Port)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(Port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

uint16_t FreePort()
{
    const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a = Loopback(0);
    socklen_t len = sizeof a;
    uint16_t port = 0;
    if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) == 0)
        port = ntohs(a.sin_port);
    ::close(s);
    return port;
}

// True when a server on Port greets with 220 within a second.
bool Greets(uint16_t Port)
{
    const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a = Loopback(Port);
    bool ok = false;
    if (::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
        pollfd p{s, POLLIN, 0};
        char buf[4] = {};
        ok = ::poll(&p, 1, 1000) == 1 && ::recv(s, buf, 3, 0) == 3 && QByteArray(buf, 3) == "220";
    }
    ::close(s);
    return ok;
}

}  // namespace

void EndPeerProcess(QProcess& P)
{
    if (P.state() == QProcess::NotRunning)
        return;
    P.terminate();
    if (!P.waitForFinished(3000)) {
        P.kill();
        P.waitForFinished(3000);
    }
}

FtpPeer::FtpPeer(const QString& Root, Options Opt) : root_(Root), opt_(Opt)
{
    log_ = QDir(Root).absoluteFilePath(QStringLiteral("../ftppeer-commands.log"));
}

FtpPeer::~FtpPeer()
{
    if (proc_)
        EndPeerProcess(*proc_);
}

bool FtpPeer::Start(QString* Error)
{
    QFile::remove(log_);
    proc_ = std::make_unique<QProcess>();
    proc_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QStringList args{QStringLiteral(QWL_PEERS_DIR "/ftppeer.py"), QStringLiteral("--root"), root_,
                     QStringLiteral("--log"), log_};
    if (opt_.Bytewise)
        args << QStringLiteral("--bytewise");
    if (opt_.Banner220)
        args << QStringLiteral("--banner220");
    proc_->start(QStringLiteral("/usr/bin/python3"), args);
    QByteArray out;
    for (int i = 0; i < 100 && !out.contains('\n'); ++i) {
        if (!proc_->waitForReadyRead(100) && proc_->state() == QProcess::NotRunning)
            break;
        out += proc_->readAll();
    }
    if (out.startsWith("PORT "))
        port_ = uint16_t(out.mid(5).trimmed().toUInt());
    if (port_ == 0 && Error)
        *Error = QStringLiteral("ftppeer.py did not start: ") + QString::fromLocal8Bit(out);
    return port_ != 0;
}

QStringList FtpPeer::Commands() const
{
    QFile f(log_);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

void FtpPeer::ClearCommands()
{
    QFile f(log_);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.close();
}

VsftpdPeer::VsftpdPeer(const QString& Root) : root_(Root) {}

VsftpdPeer::~VsftpdPeer()
{
    if (proc_)
        EndPeerProcess(*proc_);
    if (!dir_.isEmpty())
        QDir(dir_).removeRecursively();
}

bool VsftpdPeer::Start(QString* Error)
{
    const auto fail = [&](const QString& Why) {
        if (Error)
            *Error = Why;
        return false;
    };
    const QString exe = QStringLiteral("/usr/sbin/vsftpd");
    if (!QFile::exists(exe))
        return fail(QStringLiteral("vsftpd is not installed (scripts/setup.sh installs it)"));
    if (geteuid() != 0)
        return fail(QStringLiteral("vsftpd needs root to serve an anonymous chroot"));
    QTemporaryDir tmp(QDir::tempPath() + QStringLiteral("/qwl-vsftpd-XXXXXX"));
    tmp.setAutoRemove(false);
    dir_ = tmp.path();
    QDir(dir_).mkpath(QStringLiteral("empty"));
    QDir(root_).mkpath(QStringLiteral("up"));
    ::chmod(QFile::encodeName(root_ + QStringLiteral("/up")).constData(), 0777);
    for (int attempt = 0; attempt < 5; ++attempt) {
        port_ = FreePort();
        QFile conf(dir_ + QStringLiteral("/vsftpd.conf"));
        if (!conf.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return fail(QStringLiteral("cannot write the vsftpd config"));
        conf.write(QStringLiteral("listen=YES\nlisten_ipv6=NO\nlisten_address=127.0.0.1\nlisten_port=%1\n"
                                  "background=NO\nanonymous_enable=YES\nlocal_enable=NO\nanon_root=%2\n"
                                  "no_anon_password=YES\nwrite_enable=YES\nanon_upload_enable=YES\n"
                                  "anon_mkdir_write_enable=YES\nanon_other_write_enable=YES\nanon_umask=022\n"
                                  "allow_writeable_chroot=YES\nseccomp_sandbox=NO\nftp_username=daemon\n"
                                  "nopriv_user=daemon\nsecure_chroot_dir=%3/empty\npasv_enable=YES\n"
                                  "port_enable=YES\nconnect_from_port_20=NO\nxferlog_enable=NO\n"
                                  "syslog_enable=NO\npasv_address=127.0.0.1\nmax_clients=50\n")
                       .arg(port_)
                       .arg(root_, dir_)
                       .toUtf8());
        conf.close();
        proc_ = std::make_unique<QProcess>();
        proc_->setProcessChannelMode(QProcess::MergedChannels);
        proc_->start(exe, {conf.fileName()});
        if (!proc_->waitForStarted(3000))
            return fail(QStringLiteral("vsftpd does not start"));
        // Ready when it accepts a connection; a port taken meanwhile makes it exit.
        for (int i = 0; i < 50; ++i) {
            if (Greets(port_))
                return true;
            if (proc_->state() == QProcess::NotRunning)
                break;
            QThread::msleep(20);
        }
        const QString out = QString::fromLocal8Bit(proc_->readAll());
        EndPeerProcess(*proc_);
        if (attempt == 4)
            return fail(QStringLiteral("vsftpd did not answer: ") + out);
    }
    return false;
}
