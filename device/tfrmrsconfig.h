#pragma once
#include <QDialog>

// Device configuration over RS-232.
class TfrmRSConfig : public QDialog {
    Q_OBJECT
public:
    explicit TfrmRSConfig(QWidget* owner = nullptr);
};

extern TfrmRSConfig* frmRSConfig;
