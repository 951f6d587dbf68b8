#pragma once
#include <QImage>
#include <QMainWindow>
#include <QString>
#include <array>
#include <memory>

#include "app/graph/canvas.h"
#include "data/daymodel.h"

#include "data/tdatetime.h"
#include "device/programstate.h"  // ServiceMode, ProjectToolRunning
#include "platform/core/tstringlist.h"

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
class QPushButton;
class QToolButton;
class QWidget;
class TRadioGroup;
struct TGraphScene;
namespace graph {
struct TGraphFrame;
struct TReadout;
struct TViewMove;
}  // namespace graph


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
    // True from the moment the window starts to close.
    bool IsClosing() const { return m_closed; }
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
    // Fixes the widths in the button row for the current texts, so that no group moves when
    // the zoom controls change and every caption stays whole.
    void FitButtonRow();

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

    // Save dialog of the CSV export (its filter is set by SetLanguage), made by
    // CsvSaveDialog() when first used; the print dialog is made by the printing code when
    // first needed.
    QFileDialog* SaveDialog = nullptr;
    QFileDialog* CsvSaveDialog();
    QPrintDialog* PrintDialog = nullptr;

    // --- view state ---
    short MagCursorIndex = 1;
    short TracCursorIndex = 2;
    short RangeCursorIndex = 3;
    TDateTime DisplayedDate = 0.0;
    QString LocalFilePath;
    int ZoomLevel = 0;  // 0 whole day, 1 two hours, 2 twelve minutes
    int ViewHour = 0;
    int ViewMinute = 0;
    bool DayHasData = false;
    // The displayed day's samples (25 hours) and minute levels (mainformhvtk_day.cpp).
    TSampleBuffer SampleBuffer{};
    TMinuteLevels MinuteLevels{};
    // The first 02:xx hour of the day summer time ends (the buffer holds the second).
    TRepeatedHour RepeatedHour{};
    bool Printing = false;
    double ScaleX = 1.0;
    double ScaleY = 1.0;
    bool OnlineMode = false;
    bool LiveMode = false;
    bool HolidayAsSunday = false;  // public holidays take the Sunday hour ranges
    // Names of the data files present on the device in online mode.
    std::unique_ptr<TStringList> RemoteFileList;
    int SavedTimezone = 0;  // seconds west of UTC, as the PC's C library had it at start
    int SavedDaylight = 0;
    QLabel* lblStatus = nullptr;  // made by ShowProgress where lblDevice is
    // Leaves a load from the device (Escape and the close box click it too); shown while one
    // runs. The load goes offline and shows the day of the local tree.
    QPushButton* bbtAbort = nullptr;
    void bbtAbortClick();
    bool LoadAborted() const { return m_loadAborted; }

    // --- graph, read-out, navigation, numeric view, printing ---
    // (mainformhvtk_graph.cpp, mainformhvtk_nav.cpp, mainformhvtk_print.cpp)
    void FormPaint();
    void FormResize();
    // Marks the window for repainting: FormPaint runs once from the event loop.
    void Invalidate();
    void DrawGraph();
    void DrawDayGrid(TCanvas& canvas);
    void DrawHourGrid(TCanvas& canvas, int hour);
    void DrawMinuteGrid(TCanvas& canvas, int hour, int minute);
    void DrawNoData(TCanvas& canvas);
    void DrawDayCurve(TCanvas& canvas);
    void DrawHourCurves(TCanvas& canvas, int hour);
    void DrawMinuteCurves(TCanvas& canvas, int hour, int minute);
    void ImageMouseMove(Qt::KeyboardModifiers shift, int x, int y);
    void ImageMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    void spbZoomAusClick();
    void spbZoomHrZurckClick();
    void spbZoomHrVorClick();
    void spbZoomMinZurckClick();
    void spbZoomMinVorClick();
    void spbDatumZurckClick();
    void spbDatumVorClick();
    void DatePickerChange();
    void DatePickerKeyPress() {}  // the key is swallowed before it reaches the picker
    void DatePickerCloseUp();
    void TimePickerChange();
    void cbxAverageClick();
    void ScrollBarChange();
    void cbxNumViewClick();
    void FillNumViewDay(int p, int hh, int mm);
    void FillNumViewHour(int p, int hh, int mm, int ss);
    void FillNumViewMinute(int p, int hh, int mm, int ss, int t);
    void mnuDruckenClick();

    // --- menu commands and online mode (mainformhvtk_menu.cpp) ---
    void mnuDatDownLoadClick();
    void mnuExportClick();
    void mnuBeendenClick();
    void mnuInitialDirClick();
    void mnuStationsdatenClick();
    void mnuSelSpracheClick();
    void mnuFTPConfigClick();
    void mnuRSConfigClick();
    void mnuSysUpdateClick();
    void mnuLogViewClick();
    void mnuImportClick();
    void mnuInfoClick();
    void mnuHandbookClick();
    void rdgOnlineClick();
    void cbxStationsSelect();
    void spbStatistikClick();
    // Serial live view: built, reached by no control.
    void mnuComVerbindenClick();
    void GoOffline();
    // The source line in the current language: the device while online, else the data folder.
    void ShowSourceLine();
    void FillStationCombo();
    // After a window that may have made another station current: the station box follows the
    // list, and when the station is not the one of before (a StationKey) the view returns to
    // the whole day and the PC's data. True then; the caller reloads the day.
    bool FollowCurrentStation(const QString& before);
    QString StationKey() const;
    // LoadDay of DisplayedDate into DayHasData, then a repaint.
    void ReloadDay();
    // Deletes the online mode's temporary day file; a missing file is no error.
    void RemoveTempDayFile();

    // The last drawing, screen or printer, in logical units.
    int DrawOriginX = 0;
    int DrawOriginY = 0;
    int DrawExtentX = 0;
    int DrawExtentY = 0;
    TRect PlotRect;
    int PixelsPerDb = 1;
    std::array<double, 1200> HourLevels{};  // 6-s levels of the two-hour view last drawn
    QImage GraphImage;                      // what imgGraph shows

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    // Graph helpers (see the graph files above).
    TGraphScene GraphScene() const;
    void TakeFrame(const graph::TGraphFrame& frame);
    graph::TGraphFrame LastFrame() const;
    bool InPlot(int x, int y) const;
    void ShowReadout(const graph::TReadout& readout);
    void SetTimePicker();
    void SetDatePicker();
    void ResetScrollBar();
    void ApplyStep(const graph::TViewMove& move);
    void StepDay(double days, QToolButton* button);
    void PrintHeaderLines(TCanvas& canvas);
    // A posted repaint waits while a day loads (the load's pumps would draw the buffer half
    // filled) and is posted again when the load ends; a direct FormPaint makes it void.
    bool m_paintPending = false;
    bool m_loadingDay = false;
    bool m_loadAborted = false;  // the running online load was left by bbtAbort
    bool m_paintAfterLoad = false;

    void BuildMenu();
    void ConnectMenuCommands();
    void BuildComponents();
    void ArrangeComponents();
    void ReadStationList();
    QWidget* m_zoomGroup = nullptr;

    bool m_shown = false;
    bool m_closed = false;
    QObject* m_graphEvents = nullptr;
    // The data folder of the file, and the stand-in used this run while it is missing: the
    // stand-in is never saved in its place.
    QString m_storedInitialDir;
    QString m_initialDirStandIn;
    // The size the settings file asked for: kept there while a small screen cuts the window.
    QSize m_wantedSize;
};

extern TMainFormHvtk* MainFormHvtk;
// The texts of the menu, then of the window itself (and the dialogs' captions), in a
// language (0 German, 1 English).
void ApplyTextsMainMenu(int lang);
void ApplyTextsMain(int lang);
