#pragma once
#include <QDialog>
#include <QString>
#include <cstdint>

class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;

// The device log files of the current station, fetched into its "Log" folder: a list of the
// folder's "*.Log" files, the chosen one as text with its line count, and a search in it.
// Opened modally by the main window, which reads StationChanged afterwards.
class TfrmLogView : public QDialog {
    Q_OBJECT
public:
    explicit TfrmLogView(QWidget* owner = nullptr);

    void FormShow();
    void FormClose();
    // Lists the current station's log folder (created when missing) and loads "Current.Log".
    void ShowStationLogs();
    void FileListBoxClick();
    void bbtSearchClick();
    void bbtLoadClick();
    void bbtStationClick();
    // Starts a mail to the devices' maker; no control calls it.
    void BitBtn1Click();

    // The folder the list shows; empty while the list shows none.
    void SetFileListDirectory(const QString& folder);

    QPlainTextEdit* redLog = nullptr;
    QListWidget* FileListBox = nullptr;
    QLabel* lblStation = nullptr;
    QPushButton* bbtStation = nullptr;
    QPushButton* bbtLoad = nullptr;
    QPushButton* bbtExit = nullptr;
    QPushButton* bbtAbort = nullptr;  // shown while the device's logs come
    QLabel* lblSearch = nullptr;
    QLineEdit* edSearch = nullptr;
    QPushButton* bbtSearch = nullptr;
    QStatusBar* StatusBar = nullptr;
    QLabel* StatusPanel0 = nullptr;  // line count
    QLabel* StatusPanel1 = nullptr;  // message

    uint8_t StationChanged = 0;

    void done(int r) override;

protected:
    void showEvent(QShowEvent* e) override;

private:
    void UpdateStationLabel();

    QString m_directory;
    // Kept as a field instead of changing the process's current directory.
    QString m_rememberedDir;
};

extern TfrmLogView* frmLogView;
// Gives the window its texts in a language (0 German, 1 English); nothing while it does not exist.
void ApplyTextsLogView(int lang);
