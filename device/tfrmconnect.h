#pragma once
#include <QDialog>
#include <QString>
#include <cstdint>

#include "device/searchreplies.h"

class QLabel;
class QListWidget;
class QPushButton;
class TStringGrid;
class TDataModUDP;
class TTagTimer;

// The device search window: broadcasts the search, lists the devices of the expected model
// with their region and station, and makes the chosen device's station the current one with
// the device's address in the station list. User-interface thread only.
class TfrmConnect : public QDialog {
    Q_OBJECT
public:
    explicit TfrmConnect(QWidget* owner = nullptr);

    // The search cycle: a broadcast at once, the first evaluation 1 s later, then every 4 s a
    // broadcast followed 1.5 s later by an evaluation, until the window closes.
    void FormShow();
    void TimerTimer();
    void FormClose();

    void AddReply(const QString& text);
    // Takes the search replies of model; the constructor does it for DataModUDP when that exists.
    void ReportFrom(TDataModUDP& model);
    void SplitReply(const QString& text);
    void EvaluateReplies();

    void bbtOKClick();
    void bbtQuitClick();
    void sgrDevicesClick();
    void sgrDevicesDblClick();

    // Asks the device at address for its region and station; false (outputs untouched) when
    // either cannot be had.
    bool QueryRegionStation(const QString& address, int& region, int& station);

    TStringGrid* sgrDevices = nullptr;  // 0 name, 1 region, 2 station, 3 IP address, 4 net mask
    QListWidget* lbxMsgs = nullptr;  // raw replies of the current collection, sorted, never shown
    QLabel* lblScanning = nullptr;
    QLabel* lblNetFound = nullptr;
    QLabel* lblNoNetwork = nullptr;  // shown while the last search reached no network
    QPushButton* bbtOK = nullptr;
    QPushButton* bbtQuit = nullptr;
    TTagTimer* Timer = nullptr;

    QString ReplyFields[searchreply::FieldCount];
    int32_t ResultValue = 2;  // 1 OK, 2 cancel; handed to the modal result on closing

    // Close box, Esc and Close all end here.
    void reject() override;

protected:
    void showEvent(QShowEvent* e) override;

private:
    // The selected grid row when it lists a device (an address in its cell), else 0.
    int SelectedDeviceRow() const;
    void Search();
    // The device id a grid row was filled from, "" for none.
    QString DeviceIdOf(int row) const;
    // The operator's row choice, by device id; an evaluation moves the selection with it.
    void NoteChoice();
    void KeepChoice();
    // Takes the device of grid row r into the station list; the steps after the region and
    // station are known or were chosen by hand.
    void TakeDevice(int r);

    bool m_evaluating = false;
    bool m_chosen = false;  // the operator has picked a row since the window was shown
    QString m_chosenId;
};

extern TfrmConnect* frmConnect;
// Gives the window its texts in a language (0 German, 1 English); nothing while it does not exist.
void ApplyTextsConnect(int lang);
