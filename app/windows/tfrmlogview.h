#pragma once
#include <QDialog>

// Download and view of the device log files.
class TfrmLogView : public QDialog {
    Q_OBJECT
public:
    explicit TfrmLogView(QWidget* owner = nullptr);
};

extern TfrmLogView* frmLogView;
