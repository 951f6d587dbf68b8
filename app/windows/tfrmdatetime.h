#pragma once
#include <QDialog>

class QDateEdit;
class QLabel;
class QPushButton;
class QTimeEdit;
class QTimer;

// Date and time of a device: the pickers follow the PC's clock until the user edits one.
// Built for completeness; no command of the program shows it.
class TfrmDateTime : public QDialog {
    Q_OBJECT
public:
    explicit TfrmDateTime(QWidget* owner = nullptr);

    void FormShow();
    void TimerTimer();
    void dtpDateChange();
    void bbtSetClick() {}
    void FormClose();

    QLabel* lblDevice = nullptr;
    QDateEdit* dtpDate = nullptr;
    QTimeEdit* dtpTime = nullptr;
    QPushButton* bbtSet = nullptr;
    QPushButton* bbtQuit = nullptr;
    QTimer* Timer = nullptr;

    void done(int r) override;

protected:
    void showEvent(QShowEvent* e) override;
};

extern TfrmDateTime* frmDateTime;
