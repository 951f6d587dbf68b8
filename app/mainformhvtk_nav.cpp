// The main window's pointer read-out, zoom clicks, time and day steps, pickers,
// average switch, scroll bar and numeric view.
#include <QCheckBox>
#include <QDateEdit>
#include <QFrame>
#include <QLabel>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTimeEdit>
#include <QToolButton>

#include "data/daymodel.h"
#include "data/timerules.h"
#include "app/graph/graphcursors.h"
#include "app/mainformhvtk.h"
#include "app/graph/readout.h"
#include "app/graph/viewnavigation.h"
#include "app/windows/tfrmnumview.h"

using namespace graph;

namespace {

bool NumViewVisible()
{
    return frmNumView && frmNumView->isVisible();
}

QDate CalendarDate(TDateTime date)
{
    int y = 0, m = 0, d = 0;
    DecodeDate(date, y, m, d);
    return QDate(y, m, d);
}

}  // namespace

bool TMainFormHvtk::InPlot(int x, int y) const
{
    return PlotRect.Left <= x && x <= PlotRect.Right && PlotRect.Top <= y && y <= PlotRect.Bottom;
}

void TMainFormHvtk::ShowReadout(const TReadout& readout)
{
    QPalette palette = lblPos->palette();
    palette.setColor(QPalette::WindowText, ToQColor(readout.Color));
    lblPos->setPalette(palette);
    lblPos->setText(readout.Text);
}

void TMainFormHvtk::ImageMouseMove(Qt::KeyboardModifiers, int x, int y)
{
    lblPos->setText(QString());
    if (!DayHasData)
        return;
    if (!InPlot(x, y)) {
        imgGraph->setCursor(Qt::ArrowCursor);
        return;
    }
    const int p = x - PlotRect.Left;
    const bool numView = NumViewVisible();
    switch (ZoomLevel) {
    case 0:
        if (numView)
            FillNumViewDay(p, p / 60, p % 60);
        else
            ShowReadout(DayReadout(p, MinuteLevels));
        break;
    case 1:
        if (numView) {
            const THourTime t = HourViewTime(ViewHour, p);
            FillNumViewHour(p, t.Hour, t.Minute, t.Second);
        } else {
            ShowReadout(HourReadout(p, ViewHour, HourLevels));
        }
        break;
    default:
        if (numView) {
            const TMinuteTime t = MinuteViewTime(ViewHour, ViewMinute, p);
            FillNumViewMinute(p, t.Hour, t.Minute, t.Second, t.Tenth);
        } else {
            ShowReadout(MinuteReadout(p, ViewHour, ViewMinute, SampleBuffer));
        }
        break;
    }
    if (numView)
        imgGraph->setCursor(RangeCursor());
    else
        imgGraph->setCursor(ZoomLevel == 2 ? TracCursor() : MagCursor());
}

void TMainFormHvtk::SetTimePicker()
{
    const QSignalBlocker block(TimePicker);
    TimePicker->setTime(QTime(ViewHour, ViewMinute, 0));
}

void TMainFormHvtk::SetDatePicker()
{
    const QSignalBlocker block(DatePicker);
    DatePicker->setDate(CalendarDate(DisplayedDate));
}

void TMainFormHvtk::ResetScrollBar()
{
    const QSignalBlocker block(ScrollBar);
    ScrollBar->setValue(0);
}

void TMainFormHvtk::ImageMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y)
{
    DatePicker->setFocus();
    if (button != Qt::LeftButton) {
        cbxNumViewClick();
        if (NumViewVisible())
            ImageMouseMove(shift, x, y);
        return;
    }
    if (!InPlot(x, y))
        return;
    const TViewMove move = ZoomClick({ZoomLevel, ViewHour, ViewMinute}, x - PlotRect.Left);
    if (ZoomLevel == 2) {
        ZoomLevel = 0;
        SetZoomButtons(0);
        ResetScrollBar();
        DrawGraph();
        return;
    }
    if (ZoomLevel == 0)
        lblClick->hide();
    // The view is normalised to the new day before that day is loaded.
    ZoomLevel = move.View.ZoomLevel;
    ViewHour = move.View.ViewHour;
    ViewMinute = move.View.ViewMinute;
    if (move.DayStep > 0)
        spbDatumVorClick();
    SetTimePicker();
    SetZoomButtons(ZoomLevel);
    ResetScrollBar();
    DrawGraph();
}

void TMainFormHvtk::spbZoomAusClick()
{
    if (ZoomLevel == 0)
        return;
    ZoomLevel = 0;
    SetZoomButtons(0);
    Invalidate();
}

void TMainFormHvtk::ApplyStep(const TViewMove& move)
{
    ViewHour = move.View.ViewHour;
    ViewMinute = move.View.ViewMinute;
    if (move.DayStep < 0)
        spbDatumZurckClick();
    else if (move.DayStep > 0)
        spbDatumVorClick();
}

void TMainFormHvtk::spbZoomHrZurckClick()
{
    ApplyStep(StepHour({ZoomLevel, ViewHour, ViewMinute}, -1));
    SetTimePicker();
    Invalidate();
}

void TMainFormHvtk::spbZoomHrVorClick()
{
    ApplyStep(StepHour({ZoomLevel, ViewHour, ViewMinute}, 1));
    SetTimePicker();
    Invalidate();
}

void TMainFormHvtk::spbZoomMinZurckClick()
{
    ApplyStep(StepTenMinutes({ZoomLevel, ViewHour, ViewMinute}, -1));
    spbZoomMinZurck->setEnabled(false);
    SetTimePicker();
    spbZoomMinZurck->setEnabled(true);
    Invalidate();
}

void TMainFormHvtk::spbZoomMinVorClick()
{
    ApplyStep(StepTenMinutes({ZoomLevel, ViewHour, ViewMinute}, 1));
    spbZoomMinVor->setEnabled(false);
    SetTimePicker();
    spbZoomMinVor->setEnabled(true);
    Invalidate();
}

void TMainFormHvtk::StepDay(double days, QToolButton* button)
{
    DisplayedDate += days;
    button->setEnabled(false);
    if (MonthChanged(DisplayedDate, EncodeDate(DatePicker->date().year(), DatePicker->date().month(),
                                               DatePicker->date().day())))
        RemoteFileList->Clear();
    SetDatePicker();
    DayHasData = LoadDay(DisplayedDate);
    button->setEnabled(true);
    Invalidate();
}

void TMainFormHvtk::spbDatumZurckClick()
{
    StepDay(-1.0, spbDatumZurck);
}

void TMainFormHvtk::spbDatumVorClick()
{
    StepDay(1.0, spbDatumVor);
}

void TMainFormHvtk::DatePickerChange()
{
}

void TMainFormHvtk::DatePickerCloseUp()
{
    const QDate d = DatePicker->date();
    const TDateTime picked = EncodeDate(d.year(), d.month(), d.day());
    if (picked == DisplayedDate)
        return;
    if (MonthChanged(DisplayedDate, picked))
        RemoteFileList->Clear();
    DisplayedDate = DateOf(picked);
    SetDatePicker();
    DayHasData = LoadDay(DisplayedDate);
    Invalidate();
}

void TMainFormHvtk::TimePickerChange()
{
    TViewWindow view{ZoomLevel, ViewHour, ViewMinute};
    const QTime t = TimePicker->time();
    if (!TakePickedTime(view, t.hour(), t.minute()))
        return;
    ViewHour = view.ViewHour;
    ViewMinute = view.ViewMinute;
    Invalidate();
}

void TMainFormHvtk::cbxAverageClick()
{
    if (isVisible())
        Invalidate();
}

void TMainFormHvtk::ScrollBarChange()
{
    DrawGraph();
}

void TMainFormHvtk::cbxNumViewClick()
{
    if (!frmNumView)
        return;
    if (!cbxNumView->isChecked()) {
        frmNumView->HideRows();
        return;
    }
    const QRect frame = frameGeometry();
    frmNumView->move(frame.left() + frame.width() - frmNumView->frameGeometry().width(),
                     pnlGraph->y() + frame.top() + 43);
    frmNumView->show();
    frmNumView->raise();
}

void TMainFormHvtk::FillNumViewDay(int p, int hh, int mm)
{
    if (NumViewVisible())
        frmNumView->ShowRowsFrom(p, [&] { return NumViewDayRows(p, hh, mm, MinuteLevels); });
}

void TMainFormHvtk::FillNumViewHour(int p, int hh, int mm, int ss)
{
    if (NumViewVisible())
        frmNumView->ShowRowsFrom(p, [&] { return NumViewHourRows(p, hh, mm, ss, HourLevels); });
}

void TMainFormHvtk::FillNumViewMinute(int p, int hh, int mm, int ss, int t)
{
    if (!NumViewVisible())
        return;
    frmNumView->ShowRowsFrom(p, [&] {
        return NumViewMinuteRows(MinuteViewSample(ViewHour, ViewMinute, p), hh, mm, ss, t, SampleBuffer);
    });
}
