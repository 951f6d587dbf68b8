#pragma once
#include <QDialog>

// Chooser of the data directory.
class TfrmDirSelect : public QDialog {
    Q_OBJECT
public:
    explicit TfrmDirSelect(QWidget* owner = nullptr);
};

extern TfrmDirSelect* frmDirSelect;
