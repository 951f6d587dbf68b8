#pragma once
#include <QDialog>
#include <QElapsedTimer>
#include <QString>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "data/tdatetime.h"

class QCheckBox;
class QDateTimeEdit;
class QFrame;
class QIODevice;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QProgressBar;
class QPushButton;
class QTimer;
class TDataModFtp;
namespace platform {
class PaintThrottle;
}

// Device connection over FTP, in one of four modes: data download, device identification
// for the online mode, system upload and device logs. Callers set at most one mode flag,
// exec() the window and read TransferResult as its result (1 OK, 2 cancel).
// GUI thread only; the FTP waits run events: timers and the abort (bbtAbort, Escape and the
// close box while bbtAbort is enabled) run inside a transfer, other input is refused.
class TfrmFtpTransfer : public QDialog {
    Q_OBJECT
public:
    explicit TfrmFtpTransfer(QWidget* owner = nullptr);
    ~TfrmFtpTransfer() override;

    // --- station and connection ---
    QLabel* lblStatName = nullptr;
    QLineEdit* edStatName = nullptr;
    QPushButton* bbtSearch = nullptr;
    QLabel* lblUser = nullptr;
    QLineEdit* edUser = nullptr;
    QLabel* lblPassw = nullptr;
    QLineEdit* edPassw = nullptr;
    QLabel* lblIPAddr = nullptr;
    QLineEdit* edAddr1 = nullptr;
    QLineEdit* edAddr2 = nullptr;
    QLineEdit* edAddr3 = nullptr;
    QLineEdit* edAddr4 = nullptr;
    QPushButton* bbtConnect = nullptr;
    QPushButton* bbtQuit = nullptr;
    QListWidget* lbxFtp = nullptr;  // FTP log, shown in the service mode

    // --- transfer part ---
    QWidget* pnlTransfer = nullptr;  // everything below the log; hidden where no files are listed
    QFrame* pnlDateRange = nullptr;
    QLabel* lblDateRange = nullptr;
    QLabel* lblFrom = nullptr;
    QDateTimeEdit* dtpStart = nullptr;
    QLabel* lblTo = nullptr;
    QDateTimeEdit* dtpEnd = nullptr;
    QLabel* lblLastBackup = nullptr;
    QLabel* lblToday = nullptr;
    QLabel* lblLoading = nullptr;
    QListWidget* lbxDir = nullptr;
    QProgressBar* pgbCopy = nullptr;
    QLabel* lblPercent = nullptr;
    QLabel* lblLoadFile = nullptr;
    QCheckBox* cbxOverwrite = nullptr;
    QCheckBox* cbxCopyWww = nullptr;
    QPushButton* bbtExit = nullptr;
    QPushButton* bbtAbort = nullptr;
    QPushButton* bbtDownLoad = nullptr;
    QPushButton* bbtUpLoad = nullptr;

    QString UploadFolder;
    int32_t TransferResult = 0;
    bool SysUpdateMode = false;
    bool DownloadMode = false;
    bool LogDownloadMode = false;

    // The FTP log list, while it is shown (in the service mode).
    void LogFtpLine(const QString& line);
    void SetFtpProgressLine(const QString& line);
    // Takes the command layer's reports: its log lines, and its failures as messages while
    // this window is shown. The constructor does it for DataModFtp when that exists.
    void ReportFrom(TDataModFtp& model);

    // A dotted address into the octet edits, canonical, and back as the edits joined with
    // "."; any other text leaves the edits empty and comes back unchanged.
    QString SetIpAddressEdits(const QString& address);
    QString OctetAddress() const;
    // The canonical address of the octet edits; empty, after saying so, when they hold none.
    QString TypedAddress();

    // --- handlers ---
    void FormShow();
    void FormClose();
    void DownloadConnectClick();
    void ScanRemoteFiles();
    void bbtDownLoadDataClick();
    void bbtAbortClick();
    void bbtQuitClick();
    void bbtSearchClick();
    void dtpCloseUp();
    void cbxCopyWwwClick();
    // Leaving an octet edit; false when its text is no octet (the focus goes on all the same).
    bool edAddrExit(QLineEdit* ed);

    // Identification, upload and log modes.
    void bbtConnectClick();
    void ConnectOnlyClick();
    void UploadConnectClick();
    void bbtUpLoadSysClick();
    // After OK in the log mode: the current log and the old ones of the device into the
    // station's "Log" folder of the data tree, with the devices' default log-in.
    // Logs already whole stay; the one in transfer leaves nothing. A log beyond its bound is
    // skipped with its reason. Every log keeps its own name: an old one named as the current
    // one is stored with "OLD_" before it.
    void DownloadDeviceLogs(const QString& LogName, const QString& StationFolder);
    // Ends a running DownloadDeviceLogs within its waits (the log window's abort).
    void AbortDeviceLogs();
    // Logs whole of logs to fetch, while DownloadDeviceLogs runs.
    std::function<void(int done, int total)> OnLogProgress;

    // The pickers as TDateTime values.
    TDateTime StartDateTime() const;
    TDateTime EndDateTime() const;
    void SetStartDateTime(TDateTime value);
    void SetEndDateTime(TDateTime value);

protected:
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

public Q_SLOTS:
    void done(int r) override;

private:
    // The handler bbtConnect runs in the current mode (chosen by FormShow).
    using Handler = void (TfrmFtpTransfer::*)();
    struct ModeLayout;
    void ApplyMode(const ModeLayout& mode);
    void BuildComponents();
    void ConnectHandlers();
    void SetUpperCaseText(QLineEdit* ed, const QString& text);
    // The address line follows the octet edits while not connected: it names a stored address
    // that is no dotted one while nothing is typed, and a typed one with an octet over 255.
    void ShowAddressLine();
    // One entry of a download; false when the run stops.
    bool DownloadEntry(QListWidgetItem* item, bool& transferred);
    // A fetched hour file that holds together into its place in the tree.
    bool StoreHourEntry(QListWidgetItem* item, const QString& entry, const QString& remote, const QString& temp,
                        QIODevice& fetched, bool& transferred);
    // The entry gets " - " and its result when the list is next shown.
    void Mark(QListWidgetItem* item, const QString& entry, const QString& result);
    // A failed or aborted connect, or a listing that failed, leaves the window as before the
    // connect: not connected.
    void ShowNotConnected();
    // After a failed file: a new log-in, back in the device's data folder.
    void Reconnect();
    void StepProgress();
    void ShowPercent(int total);
    // Applies what the list and the labels should show of the running download; unless now,
    // at most ten times a second.
    void ShowDownload(bool now);

    Handler m_connectHandler = nullptr;
    int m_transferred = 0;   // files of the running download counted as transferred
    platform::PaintThrottle* m_paintThrottle = nullptr;
    QTimer* m_viewTimer = nullptr;  // shows a held-back view while the next file runs
    // A file of a download takes about a millisecond: showing each step in the list (which
    // lays the whole list out again, and tells a screen reader) would cost more than fetching
    // it, so the steps gather here.
    struct DownloadView {
        std::vector<QListWidgetItem*> deselected;
        std::vector<std::pair<QListWidgetItem*, QString>> texts;
        QListWidgetItem* current = nullptr;
        QString loadFile;
        QString percent;
        QElapsedTimer shown;
    } m_view;
    bool m_settingDates = false;
    bool m_logsAborted = false;
    bool m_fontsSet = false;
};

extern TfrmFtpTransfer* frmFtpTransfer;
// Gives the window its texts in a language (0 German, 1 English); nothing while it does not exist.
void ApplyTextsFtpTransfer(int lang);
