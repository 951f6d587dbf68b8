#pragma once
#include <QDialog>

// Date and time window.
class TfrmDateTime : public QDialog {
    Q_OBJECT
public:
    explicit TfrmDateTime(QWidget* owner = nullptr);
};

extern TfrmDateTime* frmDateTime;
