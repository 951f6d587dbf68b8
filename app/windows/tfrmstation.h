#pragma once
#include <QDialog>

// Station list.
class TfrmStation : public QDialog {
    Q_OBJECT
public:
    explicit TfrmStation(QWidget* owner = nullptr);
};

extern TfrmStation* frmStation;
