#pragma once
#include <QProcess>
#include <QString>
#include <cstdint>

// The simulated device's FTP server (simdevice_ftp.py) serving a tree under root, on
// host (127.0.0.0/8) and a free port; ended when the object goes.
class FtpDevicePeer {
public:
    explicit FtpDevicePeer(const QString& root, const QString& host = QStringLiteral("127.0.0.1"));
    ~FtpDevicePeer();
    FtpDevicePeer(const FtpDevicePeer&) = delete;
    FtpDevicePeer& operator=(const FtpDevicePeer&) = delete;

    // False (with the reason in error()) when the server did not come up.
    bool started() const { return m_port != 0; }
    QString error() const { return m_error; }
    QString address() const { return m_host; }
    uint16_t port() const { return m_port; }
    // A fault command ("stall 4746*.dbb 4000", "fail *.dbb 550", "clear", ...); true on "OK".
    bool command(const QString& line);
    // Ends the server at once (a device that goes away).
    void kill();

private:
    QProcess m_process;
    QString m_host;
    uint16_t m_port = 0;
    QString m_error;
};
