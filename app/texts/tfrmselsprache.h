#pragma once
#include <QDialog>

// Language window.
class TfrmSelSprache : public QDialog {
    Q_OBJECT
public:
    explicit TfrmSelSprache(QWidget* owner = nullptr);
};

extern TfrmSelSprache* frmSelSprache;
