#include <QCalendarWidget>
#include <QCheckBox>
#include <QDateEdit>
#include <QKeyEvent>
#include <QLayout>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTableWidget>
#include <QTimeEdit>
#include <QToolButton>

#include "app/graphwindow.h"
#include "app/windows/tfrmnumview.h"
#include "platform/gui/tradiogroup.h"
#include "app/setlanguage.h"
#include "app/graph/graphsamples.h"

namespace {
const QColor Blue(0, 0, 255);

void Key(QWidget* w, int key, const QString& text = QString())
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(w, &press);
    QCoreApplication::sendEvent(w, &release);
}

QColor TextColor(const QLabel* label)
{
    return label->palette().color(QPalette::WindowText);
}
}  // namespace

TEST_F(GraphWindow, HeaderLinesAndLayout)
{
    EXPECT_EQ(form->lblDatum->text(), "Mittwoch, 31. Januar 2007");
    EXPECT_EQ(form->lblStation->text(), "Hafen (002/015)");
    EXPECT_EQ(form->PixelsPerDb, std::max(1, (form->height() - 330) / 100));
    EXPECT_EQ(form->pnlGraph->height(), 100 * form->PixelsPerDb + 94);
    EXPECT_EQ(form->imgGraph->height(), form->pnlGraph->height() - 8);
    EXPECT_EQ(form->GraphImage.size(), form->imgGraph->size());
    EXPECT_EQ(form->ScrollBar->y(), form->pnlGraph->y() + form->pnlGraph->height() + 4);
    EXPECT_EQ(form->PlotRect.Bottom - form->PlotRect.Top, 100 * form->PixelsPerDb);

    // The day the clock goes back says which of its two 02:xx hours the graph shows.
    CurrentStation.ZoneBias = -3600, CurrentStation.Daylight = true;
    for (const int lang : {0, 1}) {
        SetLanguage(lang);
        form->DayHasData = form->LoadDay(form->DisplayedDate = EncodeDate(2007, 10, 28));
        form->FormPaint();
        EXPECT_TRUE(form->lblDatum->text().endsWith(lang ? "2007 (02:00-02:59 twice, shown: standard time)"
                                                         : "2007 (02:00-02:59 zweimal, gezeigt: Winterzeit)"));
    }
}

TEST_F(GraphWindow, RepaintWaitsForTheLoadAndOneDroppedWhilePrintingBlocksNoLaterOne)
{
    // The load's pumps would draw the day half loaded: the repaint comes after it.
    form->lblDatum->clear();
    form->DisplayedDate = EncodeDate(2007, 1, 30);
    form->Invalidate();
    form->DayHasData = form->LoadDay(form->DisplayedDate);
    EXPECT_TRUE(form->lblDatum->text().isEmpty());
    pumpFor(5);
    EXPECT_EQ(form->lblDatum->text(), "Dienstag, 30. Januar 2007");

    form->Printing = true;
    form->Invalidate();
    pumpFor(5);
    form->Printing = false;
    form->lblDatum->clear();
    form->Invalidate();
    pumpFor(5);
    EXPECT_EQ(form->lblDatum->text(), "Dienstag, 30. Januar 2007");
}

TEST_F(GraphWindow, ScrollBarFollowsTheImageAndMovesTheDrawing)
{
    // Narrower than the whole day on any screen.
    form->resize(1000, form->height());
    Paint();
    const int w = form->imgGraph->width();
    ASSERT_LT(w, 1550);
    EXPECT_EQ(form->ScrollBar->maximum(), 1550 - w);
    form->ScrollBar->setValue(100);
    EXPECT_EQ(form->DrawOriginX, -100);
    EXPECT_EQ(form->PlotRect.Left, -50);
}

TEST_F(GraphWindow, ReadoutAndZoomChainThroughTheThreeViews)
{
    ASSERT_TRUE(form->DayHasData);
    ASSERT_EQ(form->ZoomLevel, 0);
    Move(845);
    const double v = form->MinuteLevels[845];
    EXPECT_NEAR(v, WholeDbOfMinute(845) + 0.5, 0.6);
    EXPECT_EQ(form->lblPos->text(), QString::asprintf("14:05 Uhr = %03.1f dB(A)", v));
    EXPECT_EQ(TextColor(form->lblPos), QColor(0, 0, 0));
    form->MinuteLevels[100] = 0.0;
    Move(100);
    EXPECT_EQ(form->lblPos->text(), "01:40 Uhr = 0.0 dB(A)");
    EXPECT_EQ(TextColor(form->lblPos), QColor(160, 160, 164));
    Move(-5);
    EXPECT_TRUE(form->lblPos->text().isEmpty());
    EXPECT_EQ(form->imgGraph->cursor().shape(), Qt::ArrowCursor);

    Click(845);
    EXPECT_EQ(form->ZoomLevel, 1);
    EXPECT_EQ(form->ViewHour, 14);
    EXPECT_EQ(form->TimePicker->time(), QTime(14, 0));
    EXPECT_TRUE(form->lblClick->isHidden());
    EXPECT_FALSE(form->spbZoomHrVor->isHidden());
    EXPECT_TRUE(form->spbZoomMinVor->isHidden());
    EXPECT_FALSE(form->spbZoomAus->isHidden());
    Move(757);
    // The second hour: 15:15:42.
    EXPECT_EQ(form->lblPos->text(), QString::asprintf("15:15:42 Uhr = %05.1f dB(A)", form->HourLevels[757]));
    EXPECT_NEAR(form->HourLevels[757], WholeDbOfMinute(15 * 60 + 15) + 0.5, 0.6);
    EXPECT_EQ(form->imgGraph->cursor().shape(), Qt::BitmapCursor);

    Click(1043);
    EXPECT_EQ(form->ZoomLevel, 2);
    EXPECT_EQ(form->ViewHour, 15);
    EXPECT_EQ(form->ViewMinute, 40);
    EXPECT_EQ(form->TimePicker->time(), QTime(15, 40));
    EXPECT_FALSE(form->spbZoomMinVor->isHidden());
    EXPECT_TRUE(form->spbZoomHrVor->isHidden());
    // Sample 15:50:25.8: minute 950 of the day (80 dB), 43rd sample (43/64 dB).
    Move(1043);
    EXPECT_EQ(form->lblPos->text(), "15:50:25,8 Uhr = 080,7 dB(A)");
    form->SampleBuffer[15 * 6000 + 4000 + 1043] |= Overload;
    Move(1043);
    EXPECT_EQ(TextColor(form->lblPos), QColor(255, 0, 255));

    Click(300);
    EXPECT_EQ(form->ZoomLevel, 0);
    EXPECT_FALSE(form->lblClick->isHidden());
    EXPECT_TRUE(form->spbZoomAus->isHidden());
    EXPECT_TRUE(form->TimePicker->isHidden());
    // Clicks outside the plot do nothing.
    form->ImageMouseDown(Qt::LeftButton, Qt::NoModifier, X0() - 10, Y0() + 10);
    EXPECT_EQ(form->ZoomLevel, 0);
}

// Both presses of a double-click count, where the pointer then is: two levels of zoom.
TEST_F(GraphWindow, EveryPressOfADoubleClickCounts)
{
    for (const auto& [type, p] : {std::pair{QEvent::MouseButtonPress, 845}, {QEvent::MouseButtonDblClick, 1043}}) {
        QMouseEvent press(type, QPointF(X0() + p, Y0() + 10), QPointF(), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(form->imgGraph, &press);
    }
    EXPECT_EQ(form->TimePicker->time(), QTime(15, 40));
}

TEST_F(GraphWindow, RightEdgeOfTheDayAndOfTheTwoHoursFrom2300)
{
    Click(1440);  // the day's right edge zooms into hour 23
    EXPECT_EQ(form->ZoomLevel, 1);
    EXPECT_EQ(form->ViewHour, 23);
    Move(1200);  // no level of its own: nothing shown, nothing read past the levels
    EXPECT_TRUE(form->lblPos->text().isEmpty());
    EXPECT_NEAR(form->HourLevels[1199], WholeDbOfMinute(59) + 0.5, 0.6);  // next day's 00:59

    Click(1200);
    EXPECT_EQ(form->DisplayedDate, EncodeDate(2007, 2, 1));
    EXPECT_TRUE(form->DayHasData);
    EXPECT_EQ(form->ZoomLevel, 2);
    EXPECT_EQ(form->ViewHour, 1);
    EXPECT_EQ(form->ViewMinute, 0);
    EXPECT_EQ(form->DatePicker->date(), QDate(2007, 2, 1));
    EXPECT_EQ(form->TimePicker->time(), QTime(1, 0));
    EXPECT_EQ(form->SampleBuffer[6000] >> 8, WholeDbOfMinute(60));
}

TEST_F(GraphWindow, TenMinuteStepsAcrossMidnightOn31January)
{
    Click(1440);
    Click(599);  // 23:50
    ASSERT_EQ(form->ZoomLevel, 2);
    ASSERT_EQ(form->ViewMinute, 50);
    form->RemoteFileList->Add("4746CED0.DBB");
    form->spbZoomMinVorClick();
    EXPECT_EQ(form->DisplayedDate, EncodeDate(2007, 2, 1));
    EXPECT_EQ(form->ViewHour, 0);
    EXPECT_EQ(form->ViewMinute, 0);
    EXPECT_EQ(form->RemoteFileList->Count(), 0);  // the month changed
    EXPECT_EQ(form->DatePicker->date(), QDate(2007, 2, 1));
    EXPECT_EQ(form->TimePicker->time(), QTime(0, 0));
    EXPECT_TRUE(form->spbZoomMinVor->isEnabled());
    EXPECT_TRUE(form->DayHasData);

    form->spbZoomMinZurckClick();
    EXPECT_EQ(form->DisplayedDate, EncodeDate(2007, 1, 31));
    EXPECT_EQ(form->ViewHour, 23);
    EXPECT_EQ(form->ViewMinute, 50);
    EXPECT_EQ(form->TimePicker->time(), QTime(23, 50));

    // Hour steps carry the same way; the zoom level stays.
    form->ZoomLevel = 1;
    form->spbZoomHrVorClick();
    EXPECT_EQ(form->DisplayedDate, EncodeDate(2007, 2, 1));
    EXPECT_EQ(form->ViewHour, 0);
    form->spbZoomHrZurckClick();
    EXPECT_EQ(form->DisplayedDate, EncodeDate(2007, 1, 31));
    EXPECT_EQ(form->ViewHour, 23);
    EXPECT_EQ(form->ZoomLevel, 1);
}

TEST_F(GraphWindow, DatePickerTakesTheCalendarOnlyAndTimePickerMovesTheView)
{
    form->DatePicker->setFocus();
    Key(form->DatePicker, Qt::Key_Up);
    Key(form->DatePicker, Qt::Key_1, "1");
    Key(form->DatePicker, Qt::Key_5, "5");
    Key(form->DatePicker, Qt::Key_Down);
    EXPECT_EQ(form->DatePicker->date(), QDate(2007, 1, 31));
    EXPECT_EQ(form->DisplayedDate, EncodeDate(2007, 1, 31));

    // A date chosen in the calendar loads that day when the calendar closes.
    QWidget* popup = form->DatePicker->calendarWidget()->window();
    const auto pick = [&](const QDate& d) {
        popup->show();
        form->DatePicker->setDate(d);
        popup->hide();
    };
    form->DatePicker->setDate(QDate(2007, 1, 30));
    EXPECT_EQ(form->DisplayedDate, EncodeDate(2007, 1, 31));  // not closed yet
    pick(QDate(2007, 1, 30));
    EXPECT_EQ(form->DisplayedDate, EncodeDate(2007, 1, 30));
    EXPECT_TRUE(form->DayHasData);
    form->RemoteFileList->Add("4746CED0.DBB");
    pick(QDate(2007, 2, 5));
    EXPECT_FALSE(form->DayHasData);
    EXPECT_EQ(form->RemoteFileList->Count(), 0);

    form->ZoomLevel = 2;
    form->TimePicker->setTime(QTime(9, 47));
    EXPECT_EQ(form->ViewHour, 9);
    EXPECT_EQ(form->ViewMinute, 40);
    form->ZoomLevel = 0;
    form->TimePicker->setTime(QTime(11, 0));
    EXPECT_EQ(form->ViewHour, 9);
}

TEST_F(GraphWindow, NumericViewRowsInTheThreeViews)
{
    ASSERT_NE(frmNumView, nullptr);
    form->cbxNumView->setChecked(true);
    ASSERT_TRUE(frmNumView->isVisible());
    EXPECT_EQ(frmNumView->RowCount(), 0);
    Move(1430);
    EXPECT_TRUE(form->lblPos->text().isEmpty());
    ASSERT_EQ(frmNumView->RowCount(), 10);
    EXPECT_EQ(frmNumView->RowTime(0), "23:50");
    EXPECT_EQ(frmNumView->RowLevel(0), QString::asprintf("%05.1f", form->MinuteLevels[1430]));
    EXPECT_EQ(frmNumView->RowTime(9), "23:59");
    EXPECT_EQ(form->imgGraph->cursor().shape(), Qt::BitmapCursor);
    Move(1440);
    EXPECT_EQ(frmNumView->RowCount(), 0);

    Click(845);  // two hours from 14:00
    Move(757);
    ASSERT_EQ(frmNumView->RowCount(), 16);
    EXPECT_EQ(frmNumView->RowTime(0), "15:15:42");
    EXPECT_EQ(frmNumView->RowTime(1), "15:15:48");
    EXPECT_EQ(frmNumView->RowTime(15), "15:17:12");
    EXPECT_EQ(frmNumView->RowLevel(0), QString::asprintf("%05.1f", form->HourLevels[757]));

    Click(1043);  // twelve minutes from 15:40
    const int k = 15 * 6000 + 40 * 100 + 700;
    form->SampleBuffer[k] = uint16_t((29 << 8) | (32 << 2) | UnderRange);
    form->SampleBuffer[k + 1] = uint16_t((131 << 8) | Overload);
    form->SampleBuffer[k + 2] = 0;
    Move(757);  // same column as before: the rows stay until the pointer moves on
    EXPECT_EQ(frmNumView->RowTime(0), "15:15:42");
    Move(700);
    ASSERT_EQ(frmNumView->RowCount(), 16);
    EXPECT_EQ(frmNumView->RowTime(0), "15:47:00,0");
    EXPECT_EQ(frmNumView->RowLevel(0), "029,5 <<");
    EXPECT_EQ(frmNumView->RowLevel(1), "131,0 >>");
    EXPECT_EQ(frmNumView->RowLevel(2), " ");
    EXPECT_EQ(frmNumView->RowTime(2), "15:47:01,2");

    // Unchecked: hidden, cache reset; a right click then changes nothing.
    form->cbxNumView->setChecked(false);
    EXPECT_FALSE(frmNumView->isVisible());
    EXPECT_EQ(frmNumView->ListViewTag, -1);
    Click(700, Qt::RightButton);
    EXPECT_FALSE(frmNumView->isVisible());
    EXPECT_EQ(form->ZoomLevel, 2);
    // Checked again: empty, then filled by a right click on a column.
    form->cbxNumView->setChecked(true);
    EXPECT_EQ(frmNumView->RowCount(), 0);
    Click(701, Qt::RightButton);
    EXPECT_TRUE(frmNumView->isVisible());
    EXPECT_EQ(frmNumView->RowLevel(0), "131,0 >>");
    // The window's own close unchecks the box.
    frmNumView->reject();
    EXPECT_FALSE(form->cbxNumView->isChecked());
    EXPECT_FALSE(frmNumView->isVisible());
}

TEST_F(GraphWindow, PixelsOfBandsCurveAndNoDataText)
{
    const int32_t weekday[10] = {22, 24, 0, 6, 6, 7, 20, 22, -1, -1};
    const int32_t sunday[10] = {0, 12, -1, -1, -1, -1, -1, -1, -1, -1};
    std::copy(weekday, weekday + 10, CurrentStation.WeekdayRanges);
    std::copy(sunday, sunday + 10, CurrentStation.SundayRanges);
    Paint();
    const int y = Y0() + 3, L = form->PixelsPerDb;
    EXPECT_EQ(Pixel(X0() + 10, y), Night);
    EXPECT_EQ(Pixel(X0() + 400, y), Edge);
    EXPECT_EQ(Pixel(X0() + 700, y), White);
    // Minute 600: 90 dB and a fraction, blue within the dB above the 90-dB line.
    int blue = 0;
    for (int yy = Y1() - 60 * L - 5; yy <= Y1() - 60 * L; ++yy)
        blue += Pixel(X0() + 600, yy) == Blue;
    EXPECT_GE(blue, 1);
    EXPECT_EQ(form->lblPos->text(), QString());

    ShowDay(2007, 1, 28);  // a Sunday without data
    EXPECT_FALSE(form->DayHasData);
    EXPECT_EQ(Pixel(X0() + 700, y), Night);
    int noData = 0;
    for (int yy = Y0(); yy < Y1(); ++yy)
        for (int x = X0(); x < X0() + 600; ++x)
            noData += Pixel(x, yy) == QColor(248, 48, 16);
    EXPECT_GT(noData, 20);
    Move(300);
    EXPECT_TRUE(form->lblPos->text().isEmpty());

    // 25 December: Sunday colours while holidays count as Sundays (German texts).
    form->HolidayAsSunday = true;
    ShowDay(2006, 12, 25);
    EXPECT_EQ(Pixel(X0() + 700, y), Night);
    form->HolidayAsSunday = false;
    Paint();
    EXPECT_EQ(Pixel(X0() + 700, y), White);
    EXPECT_EQ(Pixel(X0() + 10, y), Night);
}

TEST_F(AppFixture, StoredNumericViewOpensBesideTheGraphAtStartUp)
{
    writeIni("[Station]\nInitialDir=" + dir.path().toUtf8() +
             "\nSprache=0\n[View]\nViewNum=1\n[Stations]\nActiv=1\nCount=0\nCount2=1\n[Station1]\nRegion=002\nNumber=015\n"
             "Name=Hafen\n");
    driveModals([](QWidget* w) { w->close(); });
    start();
    ASSERT_NE(frmNumView, nullptr);
    EXPECT_TRUE(MainFormHvtk->cbxNumView->isChecked());
    EXPECT_TRUE(frmNumView->isVisible());
    EXPECT_EQ(frmNumView->RowCount(), 0);
    EXPECT_EQ(frmNumView->ListViewTag, -1);
    EXPECT_EQ(frmNumView->windowTitle(), "Numerische Anzeige");
    EXPECT_EQ(frmNumView->ListView->horizontalHeaderItem(1)->text(), "db(A)");
    SetLanguage(1);
    EXPECT_EQ(frmNumView->windowTitle(), "Numerical representation");
    EXPECT_EQ(frmNumView->ListView->horizontalHeaderItem(0)->text(), "Time");
}

// A 4K screen: the whole scale down to 30 dB and the read-out there; a click in the scroll
// bar's trough moves by its large change, 60.
TEST_F(GraphWindow, TallWindowDrawsTheWholeScaleAndTheTroughStepsBy60)
{
    form->resize(3840, 2160);
    Paint();
    ASSERT_GE(form->GraphImage.height(), form->DrawExtentY);
    EXPECT_EQ(form->GraphImage.pixelColor(form->PlotRect.Left - 4, form->PlotRect.Bottom), QColor(Qt::black));  // 30 dB
    form->ImageMouseMove(Qt::NoModifier, form->PlotRect.Left + 845, form->PlotRect.Bottom - 2);
    EXPECT_TRUE(form->lblPos->text().startsWith("14:05 Uhr"));
    form->resize(1000, 730);
    Paint();
    form->ScrollBar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(form->ScrollBar->value(), 60);
}

// At 1024 pixels, both languages, every zoom level: the groups of the button row keep their
// places, captions and the longest read-out are whole; the numeric view holds its sixteen
// rows, their texts and its title without scroll bars.
TEST_F(GraphWindow, ButtonRowAndNumericViewHoldTheirTextsAtTheDesignedSize)
{
    form->cbxNumView->setChecked(true);
    for (const int lang : {0, 1}) {
        SetLanguage(lang);
        form->resize(1024, 730);
        QList<int> places;
        for (const int zoom : {0, 1, 2}) {
            form->SetZoomButtons(form->ZoomLevel = zoom);
            Paint();
            form->pnlButtons->layout()->activate();
            QList<int> now;
            for (QWidget* w : QList<QWidget*>{form->lblDatNav, form->spbStatistik, form->cbxAverage, form->rdgOnline, form->pnlPos}) {
                now << w->x();
                EXPECT_GE(w->width(), std::max(w->minimumSizeHint().width(), w->sizeHint().width())) << w->objectName().toStdString();
            }
            EXPECT_LE(form->pnlPos->geometry().right(), form->pnlButtons->width());
            EXPECT_EQ(now, places.isEmpty() ? (places = now) : places) << lang << zoom;
            EXPECT_GE(form->lblPos->width(), form->lblPos->fontMetrics().horizontalAdvance("23:59:59,4 Uhr = 128,0 dB(A)"));
        }
        Move(700);
        QTableWidget* list = frmNumView->ListView;
        ASSERT_EQ(list->rowCount(), 16);
        EXPECT_FALSE(list->verticalScrollBar()->isVisible() || list->horizontalScrollBar()->isVisible());
        for (int r = 0; r < 16; ++r) {
            const QRect cell = list->visualRect(list->model()->index(r, 0));
            EXPECT_TRUE(list->viewport()->rect().contains(cell)) << r;
            EXPECT_GE(cell.width(), list->fontMetrics().horizontalAdvance(frmNumView->RowTime(r)));
        }
        const QFontMetrics title(TfrmNumView::TitleBarFont());
        EXPECT_GT(frmNumView->width(), title.horizontalAdvance(frmNumView->windowTitle()) + 3 * title.height()) << lang;
    }
}
