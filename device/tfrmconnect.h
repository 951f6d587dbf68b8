#pragma once
#include <QDialog>

// Search for devices on the local network.
class TfrmConnect : public QDialog {
    Q_OBJECT
public:
    explicit TfrmConnect(QWidget* owner = nullptr);
};

extern TfrmConnect* frmConnect;
