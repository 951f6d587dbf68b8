// The main window's day graph: header lines, layout from the window height, the
// scroll bar, and the grid and curve routines on the image or the printer.
#include <QComboBox>
#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTimeEdit>
#include <QTimer>
#include <QToolButton>

#include "data/daymodel.h"
#include "data/runtimetexts.h"
#include "data/stationsettings.h"
#include "data/timerules.h"
#include "app/graph/graphcurves.h"
#include "app/graph/graphgrid.h"
#include "app/mainformhvtk.h"

using namespace graph;

TGraphScene TMainFormHvtk::GraphScene() const
{
    TGraphScene s;
    s.ZoomLevel = ZoomLevel;
    s.ViewHour = ViewHour;
    s.ViewMinute = ViewMinute;
    s.DayHasData = DayHasData;
    s.Printing = Printing;
    s.ScrollPosition = ScrollBar ? ScrollBar->value() : 0;
    s.PixelsPerDb = PixelsPerDb;
    s.HourRanges = RangesForDay(DayOfWeek(DisplayedDate) == 1, IsPublicHoliday(DisplayedDate), HolidayAsSunday,
                                CurrentStation.WeekdayRanges, CurrentStation.SundayRanges);
    s.ZoneSuffix = TimeZoneSuffix();
    s.SampleBuffer = SampleBuffer;
    s.MinuteLevels = MinuteLevels;
    s.RepeatedHour = &RepeatedHour;
    s.Average = cbxAverage && cbxAverage->isChecked();
    s.Leq = CalcLeq;
    return s;
}

void TMainFormHvtk::TakeFrame(const TGraphFrame& frame)
{
    DrawOriginX = frame.DrawOriginX;
    DrawOriginY = frame.DrawOriginY;
    DrawExtentX = frame.DrawExtentX;
    DrawExtentY = frame.DrawExtentY;
    PlotRect = frame.PlotRect;
}

TGraphFrame TMainFormHvtk::LastFrame() const
{
    TGraphFrame f;
    f.DrawOriginX = DrawOriginX;
    f.DrawOriginY = DrawOriginY;
    f.DrawExtentX = DrawExtentX;
    f.DrawExtentY = DrawExtentY;
    f.PlotRect = PlotRect;
    return f;
}

void TMainFormHvtk::Invalidate()
{
    if (m_paintPending)
        return;
    m_paintPending = true;
    // Geometry changes belong outside Qt's paint events: the paint handler runs
    // from the event loop, once for any number of invalidations.
    QTimer::singleShot(0, this, [this] {
        if (!m_paintPending)
            return;
        if (m_loadingDay) {
            m_paintAfterLoad = true;
            return;
        }
        m_paintPending = false;
        FormPaint();
    });
}

void TMainFormHvtk::FormResize()
{
    PixelsPerDb = PixelsPerDbForHeight(height());
    Invalidate();
}

void TMainFormHvtk::FormPaint()
{
    if (Printing || !pnlGraph)
        return;
    m_paintPending = false;
    QString date = DateCaption(DisplayedDate);
    // The clock passed that hour twice: say which pass the graph shows.
    if (RepeatedHour.WallHour >= 0)
        date += FmtRepeatedHour.arg(RepeatedHour.WallHour, 2, 10, QLatin1Char('0'));
    lblDatum->setText(date);
    lblStation->setText(StationCaption(CurrentStation.StationName, CurrentStation.RegionNumber,
                                       CurrentStation.StationNumber));

    const int clientWidth = centralWidget() ? centralWidget()->width() : width();
    lblHeader->move(0, lblHeader->y());
    ImageLogo->move(5, ImageLogo->y());
    for (QWidget* w : {static_cast<QWidget*>(cbxStations), static_cast<QWidget*>(lblStation),
                       static_cast<QWidget*>(lblDatum)}) {
        w->adjustSize();
        w->move((clientWidth - w->width()) / 2, w->y());
    }
    const bool oneStation = cbxStations->count() < 2;
    lblStation->setVisible(oneStation);
    cbxStations->setVisible(!oneStation);

    PixelsPerDb = PixelsPerDbForHeight(height());
    pnlGraph->resize(pnlGraph->width(), GraphPanelHeight(PixelsPerDb));
    imgGraph->setGeometry(4, 4, std::max(0, pnlGraph->width() - 8), std::max(0, pnlGraph->height() - 8));
    DrawGraph();
    ScrollBar->move(ScrollBar->x(), pnlGraph->y() + pnlGraph->height() + 4);
    pnlButtons->move(pnlButtons->x(), ScrollBar->y() + ScrollBar->height() + 4);
}

void TMainFormHvtk::DrawGraph()
{
    const int w = imgGraph->width();
    const TScrollSetup setup = ScrollBarSetup(VirtualWidth(ZoomLevel), w);
    {
        // The scroll position stays; only its range follows the view.
        const QSignalBlocker block(ScrollBar);
        ScrollBar->setPageStep(std::max(1, setup.PageSize));
        ScrollBar->setRange(0, std::max(0, setup.Range()));
    }
    const QSize size(std::max(1, w), std::max(1, imgGraph->height()));
    if (GraphImage.size() != size)
        GraphImage = QImage(size, QImage::Format_RGB32);
    {
        TCanvas canvas(&GraphImage);
        if (ZoomLevel == 0) {
            DrawDayGrid(canvas);
            DrawDayCurve(canvas);
        } else if (ZoomLevel == 1) {
            DrawHourGrid(canvas, ViewHour);
            DrawHourCurves(canvas, ViewHour);
        } else {
            DrawMinuteGrid(canvas, ViewHour, ViewMinute);
            DrawMinuteCurves(canvas, ViewHour, ViewMinute);
        }
    }
    imgGraph->update();
}

void TMainFormHvtk::DrawDayGrid(TCanvas& canvas)
{
    const TGraphScene scene = GraphScene();
    TakeFrame(TGraphGrid(canvas, scene).DrawDayGrid());
}

void TMainFormHvtk::DrawHourGrid(TCanvas& canvas, int hour)
{
    const TGraphScene scene = GraphScene();
    TakeFrame(TGraphGrid(canvas, scene).DrawHourGrid(hour));
}

void TMainFormHvtk::DrawMinuteGrid(TCanvas& canvas, int hour, int minute)
{
    const TGraphScene scene = GraphScene();
    TakeFrame(TGraphGrid(canvas, scene).DrawMinuteGrid(hour, minute));
}

void TMainFormHvtk::DrawNoData(TCanvas& canvas)
{
    ::DrawNoData(canvas, LastFrame(), ZoomLevel);
}

void TMainFormHvtk::DrawDayCurve(TCanvas& canvas)
{
    const TGraphScene scene = GraphScene();
    const TGraphFrame frame = LastFrame();
    TGraphCurves(canvas, scene, frame).DrawDayCurve();
}

void TMainFormHvtk::DrawHourCurves(TCanvas& canvas, int hour)
{
    const TGraphScene scene = GraphScene();
    const TGraphFrame frame = LastFrame();
    TGraphCurves(canvas, scene, frame).DrawHourCurves(hour, HourLevels);
}

void TMainFormHvtk::DrawMinuteCurves(TCanvas& canvas, int hour, int minute)
{
    const TGraphScene scene = GraphScene();
    const TGraphFrame frame = LastFrame();
    TGraphCurves(canvas, scene, frame).DrawMinuteCurves(hour, minute);
}

void TMainFormHvtk::SetZoomButtons(int level)
{
    if (level != 1 && level != 2)
        level = 0;
    lblClick->setVisible(level == 0);
    TimePicker->setVisible(level != 0);
    spbZoomHrZurck->setVisible(level == 1);
    spbZoomHrVor->setVisible(level == 1);
    spbZoomMinZurck->setVisible(level == 2);
    spbZoomMinVor->setVisible(level == 2);
    spbZoomAus->setVisible(level != 0);
}
