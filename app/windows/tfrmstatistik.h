#pragma once
#include <QDialog>
#include <QImage>
#include <array>
#include <functional>
#include <memory>

#include "data/tdatetime.h"

class QFrame;
class QLabel;
class QPushButton;
class QTabWidget;
class QTimer;
class TCalendarSource;
namespace platform {
class WaitCursor;
}

// The drawing of one year page; a click on it reports the point.
class TYearImage : public QWidget {
    Q_OBJECT
public:
    explicit TYearImage(QWidget* parent);
    QImage Image;
    int Tag = 0;  // 1 once its year has been drawn completely
    std::function<void(int x, int y)> OnMouseDown;

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
};

// Availability calendar of the current station: one page per year folder, each a grid of
// 12 months by 31 days coloured by how many of the day's hour files exist. A page is drawn
// when first shown; a click on a day closes the window with OK and that date in
// SelectedDate. Works on the local tree, or in online mode on the device.
class TfrmStatistik : public QDialog {
    Q_OBJECT
public:
    explicit TfrmStatistik(QWidget* owner = nullptr);
    ~TfrmStatistik() override;

    // Makes the device's file tree for online mode; unset, the FTP command layer's
    // connection (DataModFtp) is listed.
    using SourceFactory = std::function<std::unique_ptr<TCalendarSource>()>;
    static void SetOnlineSource(SourceFactory factory);
    // Read at each showing; by default the main window's online mode.
    std::function<bool()> IsOnline;

    void FormShow();
    void FormClose();
    void AddYearPage(const QString& yearText);
    void YearPageShow();
    void TimerShowTimer();
    // Draws a year into image; false when StopDrawing ended it early.
    bool DrawYear(QImage& image, int year);
    void ImageMouseDown(int x, int y);
    void bbtOkClick();

    QTabWidget* PageCtrl = nullptr;
    QPushButton* bbtOk = nullptr;
    QPushButton* btnTakeOver = nullptr;
    QLabel* lblLoading = nullptr;
    QTimer* TimerShow = nullptr;
    QLabel* lblStation = nullptr;
    QLabel* lblNoData = nullptr;
    QFrame* pnlLegend = nullptr;
    QLabel* lblMoveTo = nullptr;
    QFrame* pnlWhite = nullptr;
    QFrame* Panel1 = nullptr;
    QLabel* lblComplete = nullptr;
    QLabel* lblPartial = nullptr;

    std::array<QWidget*, 100> YearSheets{};
    std::array<TYearImage*, 100> YearImages{};
    std::array<QFrame*, 100> YearPanels{};
    int YearCount = 0;
    TDateTime SelectedDate = 0.0;
    uint8_t StopDrawing = 0;

    void done(int r) override;

protected:
    void showEvent(QShowEvent* e) override;

private:
    void SetBusy(bool busy);
    void FreePages();

    std::unique_ptr<TCalendarSource> m_source;
    std::unique_ptr<platform::WaitCursor> m_busy;
    bool m_drawing = false;
    bool m_freePending = false;  // closed while a drawing waited for the device
};

extern TfrmStatistik* frmStatistik;
// Gives the window its texts in a language (0 German, 1 English); nothing while it does not exist.
void ApplyTextsStatistik(int lang);
