#pragma once
#include <QDialog>

// CSV export of a range of days.
class TfrmExcelTransfer : public QDialog {
    Q_OBJECT
public:
    explicit TfrmExcelTransfer(QWidget* owner = nullptr);
};

extern TfrmExcelTransfer* frmExcelTransfer;
