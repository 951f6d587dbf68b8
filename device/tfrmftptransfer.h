#pragma once
#include <QDialog>

// Device connection over FTP: data download, system upload, device logs, going online.
class TfrmFtpTransfer : public QDialog {
    Q_OBJECT
public:
    explicit TfrmFtpTransfer(QWidget* owner = nullptr);
};

extern TfrmFtpTransfer* frmFtpTransfer;
