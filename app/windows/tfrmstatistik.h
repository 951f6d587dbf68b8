#pragma once
#include <QDialog>

// Availability calendar of the current station.
class TfrmStatistik : public QDialog {
    Q_OBJECT
public:
    explicit TfrmStatistik(QWidget* owner = nullptr);
};

extern TfrmStatistik* frmStatistik;
