#pragma once
#include <QDialog>

// Time-zone window.
class TfrmTimezone : public QDialog {
    Q_OBJECT
public:
    explicit TfrmTimezone(QWidget* owner = nullptr);
};

extern TfrmTimezone* frmTimezone;
