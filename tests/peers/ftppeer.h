#pragma once
#include <QProcess>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>

// FTP servers for the client tests, each on 127.0.0.1 and ended by its pid.
//
// FtpPeer runs ftppeer.py (pyftpdlib with scripted faults, user kqv/kqv) and reads back the
// command lines it received. VsftpdPeer runs vsftpd in the foreground with a config file of
// its own (anonymous, the given root); Start() fails with a reason where vsftpd cannot run
// (not installed, not root), and the tests skip then.
class FtpPeer {
public:
    struct Options {
        bool Bytewise = false;   // every reply byte written on its own
        bool Banner220 = false;  // a multi-line greeting with "220-" continuation lines
    };
    FtpPeer(const QString& Root, Options Opt);
    explicit FtpPeer(const QString& Root) : FtpPeer(Root, Options()) {}
    ~FtpPeer();

    bool Start(QString* Error = nullptr);
    uint16_t Port() const { return port_; }
    // The command lines received so far, in order (PASS with its argument).
    QStringList Commands() const;
    void ClearCommands();

private:
    QString root_, log_;
    Options opt_;
    std::unique_ptr<QProcess> proc_;
    uint16_t port_ = 0;
};

class VsftpdPeer {
public:
    // Root must be readable by all; its subfolder "up" is made writable for uploads.
    explicit VsftpdPeer(const QString& Root);
    ~VsftpdPeer();

    bool Start(QString* Error = nullptr);
    uint16_t Port() const { return port_; }

private:
    QString root_, dir_;
    std::unique_ptr<QProcess> proc_;
    uint16_t port_ = 0;
};

// Ends a started process by its pid: SIGTERM, then SIGKILL after a bounded wait.
void EndPeerProcess(QProcess& P);
