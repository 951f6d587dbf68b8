#pragma once
#include <QDialog>
#include <QString>
#include <cstdint>

#include "device/rs232frames.h"
#include "device/rsconfigkeytable.h"
#include "device/rsconfigreadstate.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSlider;
class QTabWidget;
class QTimeEdit;
class QTimer;
class TRadioGroup;
class TApdComPort;
class TApdDataPacket;
class TTagTimer;
class PressGate;

// Reads a measuring device's configuration over RS-232, lets the operator edit it and
// writes it back. Two stages: the port page (choose the port, connect), then the tab pages
// with one control per configuration key (device/rsconfigkeytable.h).
// GUI thread only; the requests pump events while they wait, so timers and the abort (the
// exit button, Escape, the close box) run inside a request; other input is refused.
class TfrmRSConfig : public QDialog {
    Q_OBJECT
public:
    explicit TfrmRSConfig(QWidget* owner = nullptr);
    ~TfrmRSConfig() override;

    // --- port page and frame ---
    QFrame* pnlCOM = nullptr;
    QLabel* lblPort = nullptr;
    QComboBox* cbxPorts = nullptr;
    QLabel* lblInfo = nullptr;
    QLabel* lblStatus = nullptr;
    QLabel* lblAction = nullptr;
    QProgressBar* ProgressBar = nullptr;
    QPushButton* bbtContinue = nullptr;
    QPushButton* bbtExit = nullptr;
    QTabWidget* PageControl = nullptr;

    // --- tabStation ---
    QWidget* tabStation = nullptr;
    QLabel* lblRegionsnr = nullptr;
    QLineEdit* edRegionsnr = nullptr;
    QLabel* lblStationsnr = nullptr;
    QLineEdit* edStationsnr = nullptr;
    QLabel* lblChecksum = nullptr;
    QLineEdit* edChecksum = nullptr;
    QLabel* lblServer = nullptr;
    QLineEdit* edServer = nullptr;
    QLabel* lblPath = nullptr;
    QLineEdit* edPath = nullptr;
    QLabel* lblUser = nullptr;
    QLineEdit* edUser = nullptr;
    QLabel* lblPassword = nullptr;
    QLineEdit* edPassword = nullptr;

    // --- tabInternet ---
    QWidget* tabInternet = nullptr;
    QLabel* lblDHCP = nullptr;
    QComboBox* cbxDHCP = nullptr;
    QLabel* lblIPAddress = nullptr;
    QLineEdit* edIPAddress = nullptr;
    QLabel* lblSubnet = nullptr;
    QLineEdit* edSubnet = nullptr;
    QLabel* lblGateway = nullptr;
    QLineEdit* edGateway = nullptr;
    QLabel* lblDNS1 = nullptr;
    QLineEdit* edDNS1 = nullptr;
    QLabel* lblDNS2 = nullptr;
    QLineEdit* edDNS2 = nullptr;
    QLabel* lblModem = nullptr;
    QComboBox* cbxModem = nullptr;
    QLabel* lblModemNotInstalled = nullptr;
    QFrame* pnlISDN = nullptr;
    QLabel* lblISDNModem = nullptr;
    QLabel* lblProtokoll = nullptr;
    QComboBox* cbxProtokoll = nullptr;
    QLabel* lblEigNr = nullptr;
    QLineEdit* edEigNr = nullptr;
    QFrame* pnlAnalog = nullptr;
    QLabel* lblWahl = nullptr;
    QComboBox* cbxWahl = nullptr;
    QLabel* lblAmt = nullptr;
    QLineEdit* edAmt = nullptr;
    QLabel* lblTelProv = nullptr;
    QLineEdit* edTelProv = nullptr;
    QLabel* lblUserProv = nullptr;
    QLineEdit* edUserProv = nullptr;
    QLabel* lblPassProv = nullptr;
    QLineEdit* edPassProv = nullptr;

    // --- tabTransfer ---
    QWidget* tabTransfer = nullptr;
    QLabel* lblWahlArt = nullptr;
    QComboBox* cbxWahlArt = nullptr;
    QLabel* lblWahlZt1 = nullptr;
    QLineEdit* edWahlZt1 = nullptr;
    QLabel* lblWahlZt2 = nullptr;
    QLineEdit* edWahlZt2 = nullptr;
    QLabel* lblWahlZt3 = nullptr;
    QLineEdit* edWahlZt3 = nullptr;
    QPushButton* bbtTest = nullptr;
    QPlainTextEdit* memoTest = nullptr;

    // --- tabWeb ---
    QWidget* tabWeb = nullptr;
    QGroupBox* gbxFtp = nullptr;
    QLabel* lblUser0 = nullptr;
    QLineEdit* edUser0 = nullptr;
    QLabel* lblPassw0 = nullptr;
    QLineEdit* edPassw0 = nullptr;
    QGroupBox* gbxWeb = nullptr;
    QLabel* lblWebUser = nullptr;
    QLineEdit* edWebUser = nullptr;
    QLabel* lblWebPassw = nullptr;
    QLineEdit* edWebPassw = nullptr;

    // --- tabTime ---
    QWidget* tabTime = nullptr;
    QGroupBox* gbxTimeServer = nullptr;
    QLabel* lblTimeServ1 = nullptr;
    QLineEdit* edTimeServ1 = nullptr;
    QLabel* lblTimeServ2 = nullptr;
    QLineEdit* edTimeServ2 = nullptr;
    QLabel* lblTimezone = nullptr;
    QLineEdit* edTimezoneStr = nullptr;
    QLineEdit* edTimezone = nullptr;  // hidden: seconds east of UTC
    QLineEdit* edDaylight = nullptr;  // hidden: "1" with summer time
    QPushButton* bbtSelTimezone = nullptr;
    QGroupBox* gbxSetTime = nullptr;
    QDateEdit* dtpDate = nullptr;
    QTimeEdit* dtpTime = nullptr;
    QPushButton* bbtSetTime = nullptr;
    QLabel* lblInfoTime = nullptr;
    QPlainTextEdit* memoTime = nullptr;

    // --- tabService ---
    QWidget* tabService = nullptr;
    QLabel* lblUpdtDo = nullptr;
    QComboBox* cbxUpdtDo = nullptr;
    QLabel* lblUpdtHost = nullptr;
    QLineEdit* edUpdtHost = nullptr;
    QLabel* lblUpdtUser = nullptr;
    QLineEdit* edUpdtUser = nullptr;
    QLabel* lblUpdtPassw = nullptr;
    QLineEdit* edUpdtPassw = nullptr;
    QLabel* lblUpdtDir = nullptr;
    QLineEdit* edUpdtDir = nullptr;

    // --- tabDisplay ---
    QWidget* tabDisplay = nullptr;
    QCheckBox* chbLight = nullptr;
    QLabel* lblContrast = nullptr;
    QLabel* lblLight = nullptr;
    QSlider* tbContrast = nullptr;
    QLabel* lblDim = nullptr;
    QLineEdit* edContrast = nullptr;
    TRadioGroup* rgpLanguage = nullptr;

    // --- tabInfo ---
    QWidget* tabInfo = nullptr;
    QLabel* lblHWVersion = nullptr;
    QLineEdit* edHWVersion = nullptr;
    QLabel* lblSWVersion = nullptr;
    QLineEdit* edSWVersion = nullptr;
    QLabel* lblSerial = nullptr;
    QLineEdit* edSerial = nullptr;
    QGroupBox* gbxSWChecksum = nullptr;
    QLineEdit* edSWChecksum = nullptr;

    QTimer* TimeTimer = nullptr;  // the clock of the date/time page

    // Port numbers found by the scan, ended by a 0.
    int32_t PortList[9] = {};
    // A control was changed since the last read or write.
    bool Modified = false;

    // --- handlers ---
    void FormShow();
    void FormClose();
    void bbtContinueClick();
    void bbtExitClick();
    void bbtTestClick();
    void bbtSetTimeClick();
    void bbtSelTimezoneClick();
    void cbxPortsChange();
    void TimeTimerTimer();
    void dtpDateTimeChange();
    void cbxDHCPChange();
    void cbxModemChange();
    void cbxWahlArtChange();
    void cbxUpdtDoChange();
    void edChanged();
    void edContrastChange();
    void tbContrastChange();
    // Leaving an edit; false when its text was refused (the edit has the focus again).
    bool edIPAddressExit(QLineEdit* ed);
    bool edUhrzeitExit(QLineEdit* ed);

    // Read or write the whole key table. ReadAllSettings is false when the read stopped
    // early (a time-out, or a zone offset that is no number). WriteAllSettings writes the keys
    // read from this device and those the operator changed; false when it stopped early (the
    // keys written and not written have been told).
    bool ReadAllSettings();
    bool WriteAllSettings();
    const rsconfig::KeyReadState& ReadState() const { return m_keys; }
    // Marks the controls whose value the device did not give (tool tip in the current language).
    void ShowUnreadKeys();

    // One key's value into its control, and the value of a control as it is written.
    void ApplyValue(const rsconfig::KeyEntry& key, const QString& value);
    QString ControlValue(const rsconfig::KeyEntry& key) const;
    // The modem panel the last "ppp.modem" selected.
    rsconfig::ModemPanel ReadPanel() const { return m_readPanel; }

    // ---- RS-232 request protocol (tfrmrsconfig_protocol.cpp) ----
    TApdComPort* ApdComPort = nullptr;  // 19200 8N1, DTR and RTS on, opened by ConnectDevice
    TApdDataPacket* ApdDataPacket = nullptr;  // one reply: STX text ETX
    TTagTimer* IOTimer = nullptr;  // 5 s per request; its Tag holds the rs232::RequestState
    QString ReplyText;  // the value of the last reply
    bool ReplyError = false;  // the last reply began with '-'

    // Creates the port, the packet and the timer (called once by the constructor).
    void CreateProtocolComponents();
    QString QueryValue(const QString& Key);
    bool WriteValue(const QString& Key, const QString& Value);
    bool SendCommand(const QString& Command);
    bool ConnectDevice();
    bool ConnectDeviceOnPort(int Port);
    void ClosePort();
    void SetPacketFraming(bool LineMode);
    void ApdDataPacketStringPacket(QObject* Sender, const QString& Data);
    void IOTimerTimer();
    void Send(const QByteArray& Frame);
    // Another request or wait runs, or the program is closing: a request must not start.
    bool RequestRefused();
    // A request still waiting ends as after a time-out, without its message.
    void EndWaitingRequest();
    // Pumps events until the reply or the time-out ends the request.
    void WaitForReply();
    // The one writer of the request state (IOTimer's Tag).
    void SetRequestState(rs232::RequestState state);
    rs232::RequestState CurrentRequestState() const;
    // ---- end of RS-232 request protocol ----

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

public Q_SLOTS:
    void done(int r) override;

private:
    void BuildComponents();
    void BuildStationPage();
    void BuildInternetPage();
    void BuildTransferPage();
    void BuildWebPage();
    void BuildTimePage();
    void BuildServicePage();
    void BuildDisplayPage();
    void BuildInfoPage();
    void ConnectHandlers();
    void ShowZoneOfOffset();
    // The port scan: the numbers 1..last that open, into PortList; returns their count.
    int ScanPorts(int last);
    // Requests start afresh: the port number of the station, no request waiting.
    void PrepareRequests();
    void ClosePortOnExit();
    // The screen cursor back to the default, whatever set it.
    static void RestoreDefaultCursor();

    // Every control of the key table back to its state at construction: value unknown.
    void ResetControls();
    void ResetControl(const rsconfig::KeyEntry& key);
    void OperatorChanged(const rsconfig::KeyEntry& key);
    QList<QWidget*> ControlsOf(const rsconfig::KeyEntry& key) const;
    void ConnectOperatorChanges();

    rsconfig::ModemPanel m_readPanel = rsconfig::ModemPanel::None;
    rsconfig::KeyReadState m_keys;
    QString m_pendingKey;  // the key the waiting request asked for
    bool m_replyHasValue = false;  // the waiting request's answer held an '='
    // Line framing carries the device's live lines, which name no request: any line answers.
    bool m_lineFraming = false;
    // The settings are being read: what changes meanwhile is the read's, not the operator's.
    bool m_reading = false;
    bool m_inExitCheck = false;
    // Finish writes the device: never from the rest of the press that started the read.
    PressGate* m_finishGate = nullptr;
};

extern TfrmRSConfig* frmRSConfig;
// Gives the window its texts in a language (0 German, 1 English); nothing while it does not exist.
void ApplyTextsRSConfig(int lang);
