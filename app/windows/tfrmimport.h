#pragma once
#include <QDialog>

// Import of older data files into the data tree.
class TfrmImport : public QDialog {
    Q_OBJECT
public:
    explicit TfrmImport(QWidget* owner = nullptr);
};

extern TfrmImport* frmImport;
