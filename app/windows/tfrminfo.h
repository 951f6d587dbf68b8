#pragma once
#include <QDialog>

// Program information.
class TfrmInfo : public QDialog {
    Q_OBJECT
public:
    explicit TfrmInfo(QWidget* owner = nullptr);
};

extern TfrmInfo* frmInfo;
