#pragma once
#include <QDialog>

// Station editor.
class TfrmStatEdit : public QDialog {
    Q_OBJECT
public:
    explicit TfrmStatEdit(QWidget* owner = nullptr);
};

extern TfrmStatEdit* frmStatEdit;
