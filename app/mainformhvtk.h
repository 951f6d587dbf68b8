#pragma once
#include <QMainWindow>
#include <QString>
#include <memory>

#include "app/data/tdatetime.h"
#include "app/daymodel.h"
#include "platform/tstringlist.h"

class QAction;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QFileDialog;
class QFrame;
class QLabel;
class QMenu;
class QPrintDialog;
class QScrollBar;
class QTimeEdit;
class QToolButton;
class QWidget;
class TRadioGroup;

// Hidden service mode: shows the system-update command and the service-only device settings.
extern bool ServiceMode;
// A window titled "Projektverwaltung" existed at start-up.
extern bool ProjectToolRunning;

// The main window: the day graph of the active station and the program's menus.
// Components carry the names the rest of the program uses; their texts come from SetLanguage.
class TMainFormHvtk : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainFormHvtk(QWidget* owner = nullptr);
    ~TMainFormHvtk() override;

    // Start-up and shut-down. FormCreate runs at the end of the constructor, FormShow on the
    // first showing, FormClose when the window closes.
    void FormCreate();
    void FormShow();
    void FormClose();
    // Writes all settings and the station list to the settings file; false when it could not.
    bool SaveSettings();

    // Loads the hour files of a day into the sample buffer; true when any sample was read.
    bool LoadDay(TDateTime date);
    // The load's progress in lblStatus (0..100); above 100 the source line lblDevice again.
    void ShowProgress(int percent);
    // Online mode: fetches one hour file of the device to local (FTP command layer).
    bool FtpGetFile(const QString& remote, const QString& local);
    // Shows the zoom and navigation controls of a zoom level.
    void SetZoomButtons(int level);

    // --- menu ---
    QMenu* mnuData = nullptr;
    QAction* mnuDatDownLoad = nullptr;
    QAction* mnuDrucken = nullptr;
    QAction* mnuExport = nullptr;
    QAction* mnuBeenden = nullptr;
    QMenu* mnuEinstell = nullptr;
    QAction* mnuInitialDir = nullptr;
    QAction* mnuStationsdaten = nullptr;
    QAction* mnuSelSprache = nullptr;
    QMenu* mnuSystem = nullptr;
    QAction* mnuFTPConfig = nullptr;
    QAction* mnuRSConfig = nullptr;
    QAction* mnuSysUpdate = nullptr;
    QAction* mnuLogView = nullptr;
    QAction* mnuImport = nullptr;
    QMenu* mnuHelp = nullptr;
    QAction* mnuInfo = nullptr;
    QAction* mnuHandbook = nullptr;

    // --- title area ---
    QLabel* lblHeader = nullptr;
    QLabel* ImageLogo = nullptr;
    QLabel* lblDatum = nullptr;
    QLabel* lblStation = nullptr;
    QComboBox* cbxStations = nullptr;

    // --- graph ---
    QFrame* pnlGraph = nullptr;
    QWidget* imgGraph = nullptr;  // the graph's drawing surface
    QScrollBar* ScrollBar = nullptr;

    // --- button panel ---
    QFrame* pnlButtons = nullptr;
    QLabel* lblZoomNav = nullptr;
    QLabel* lblClick = nullptr;
    QToolButton* spbZoomHrZurck = nullptr;
    QToolButton* spbZoomMinZurck = nullptr;
    QToolButton* spbZoomAus = nullptr;
    QToolButton* spbZoomMinVor = nullptr;
    QToolButton* spbZoomHrVor = nullptr;
    QTimeEdit* TimePicker = nullptr;
    QLabel* lblDatNav = nullptr;
    QToolButton* spbDatumZurck = nullptr;
    QDateEdit* DatePicker = nullptr;
    QToolButton* spbDatumVor = nullptr;
    QToolButton* spbStatistik = nullptr;
    QCheckBox* cbxAverage = nullptr;
    QCheckBox* cbxNumView = nullptr;
    TRadioGroup* rdgOnline = nullptr;
    QFrame* pnlPos = nullptr;
    QLabel* lblPos = nullptr;
    QLabel* lblDevice = nullptr;

    // Save dialog of the CSV export (its filter is set by SetLanguage); the print dialog is
    // made by the printing code when first needed.
    QFileDialog* SaveDialog = nullptr;
    QPrintDialog* PrintDialog = nullptr;

    // --- view state ---
    short MagCursorIndex = 0;
    short TracCursorIndex = 0;
    short RangeCursorIndex = 0;
    TDateTime DisplayedDate = 0.0;
    QString LocalFilePath;
    int ZoomLevel = 0;  // 0 whole day, 1 two hours, 2 twelve minutes
    int ViewHour = 0;
    int ViewMinute = 0;
    bool DayHasData = false;
    bool Printing = false;
    double ScaleX = 0.0;
    double ScaleY = 0.0;
    bool OnlineMode = false;
    bool LiveMode = false;
    bool HolidayAsSunday = false;  // public holidays take the Sunday hour ranges
    // Names of the data files present on the device in online mode.
    std::unique_ptr<TStringList> RemoteFileList;
    int SavedTimezone = 0;  // seconds west of UTC, as the PC's C library had it at start
    int SavedDaylight = 0;
    // The displayed day: 25 hours of samples and the day's minute levels (LoadDay).
    TSampleBuffer SampleBuffer{};
    TMinuteLevels MinuteLevels{};
    QLabel* lblStatus = nullptr;  // made by ShowProgress where lblDevice is

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void BuildMenu();
    void BuildComponents();
    void ArrangeComponents();
    void ReadStationList();

    bool m_shown = false;
    bool m_closed = false;
};

extern TMainFormHvtk* MainFormHvtk;
