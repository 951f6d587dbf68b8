#pragma once
#include <QObject>
#include <QWidget>

// The synchronous FTP command layer over the FTP client.
class TDataModFtp : public QObject {
    Q_OBJECT
public:
    explicit TDataModFtp(QWidget* owner = nullptr);

    // Logs out of the device; with wait, until the connection is closed.
    void FtpLogout(bool wait);
};

extern TDataModFtp* DataModFtp;
