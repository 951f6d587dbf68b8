#pragma once
#include <QDialog>
#include <QString>

class QComboBox;
class QFrame;
class QLabel;
class QPushButton;

// Probe through the serial device layer rather than a plain open (both start true).
extern bool UseDispatcherForAvail;
// A port that exists but is held by another program counts as available.
extern bool ShowPortsInUse;

// Whether serial port COM<ComNumber> is present.
bool IsPortAvailable(unsigned ComNumber);

// Makes the library ask with TComSelectForm when a port without a number is opened.
void InstallComSelectPrompt();

// Modal list of the present serial ports (COM1 to COM50); runs on the user-interface thread.
class TComSelectForm : public QDialog {
    Q_OBJECT
public:
    explicit TComSelectForm(QWidget* parent = nullptr);

    // The selected entry ("COM3"); empty when nothing is selected.
    QString SelectedCom() const;
    // The number in the selected entry; 0 when nothing is selected.
    int SelectedComNum() const;

    QLabel* Label1;
    QLabel* Label2;
    QFrame* Bevel1;
    QPushButton* OkBtn;
    QPushButton* AbortBtn;
    QComboBox* PortsComboBox;

private:
    void FormCreate();
};
