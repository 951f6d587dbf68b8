#pragma once
#include <QDialog>

// Numeric view of the levels under the pointer.
class TfrmNumView : public QDialog {
    Q_OBJECT
public:
    explicit TfrmNumView(QWidget* owner = nullptr);
};

extern TfrmNumView* frmNumView;
