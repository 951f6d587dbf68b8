#pragma once
#include <QDialog>

// Entry of a station name.
class TfrmStatName : public QDialog {
    Q_OBJECT
public:
    explicit TfrmStatName(QWidget* owner = nullptr);
};

extern TfrmStatName* frmStatName;
