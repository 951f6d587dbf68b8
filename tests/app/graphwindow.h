#pragma once
#include <QDateEdit>
#include <QLabel>
#include <QSignalBlocker>
#include <QScrollBar>

#include "data/daymodel.h"
#include "data/tdatetime.h"
#include "data/timerules.h"
#include "app/mainformhvtk.h"
#include "app/startup/appfixture.h"
#include "common/pump.h"
#include "peers/dbbwriter.h"

// The running program on a data tree of generated hour files: station 2/15 "Hafen" in
// UTC without summer time, so local minutes are UTC minutes. Days with data: 30 and
// 31 January and 1 February 2007 (files at minute 0); 5 February 2007 has none.
class GraphWindow : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        dataDir = dir.filePath("data");
        for (int day : {30, 31, 32}) {
            for (int h = 0; h < 24; ++h) {
                dbbtest::HourFile f;
                f.region = 2;
                f.station = 15;
                f.utcStart = dbbtest::UtcSeconds(2007, 1, 1, h) + int64_t(day - 1) * 86400;
                ASSERT_FALSE(dbbtest::WriteLocalHour(dataDir, f).isEmpty());
            }
        }
        writeIni("[Station]\nInitialDir=" + dataDir.toUtf8() +
                 "\nSprache=0\n[Form]\nTop=0\nLeft=0\nWidth=1600\nHeight=730\n[View]\nAverage=0\nViewNum=0\n"
                 "[Timezone]\nZone=0\nDaylight=0\n"
                 "[Stations]\nActiv=1\nCount=0\nCount2=1\n[Station1]\nRegion=002\nNumber=015\nName=Hafen\n"
                 "Timezone=0\nDaylight=0\n");
        driveModals([](QWidget* w) { w->close(); });
        start();
        form = MainFormHvtk;
        ShowDay(2007, 1, 31);
    }

    void ShowDay(int y, int m, int d)
    {
        form->DisplayedDate = EncodeDate(y, m, d);
        {
            const QSignalBlocker block(form->DatePicker);
            form->DatePicker->setDate(QDate(y, m, d));
        }
        form->DayHasData = form->LoadDay(form->DisplayedDate);
        Paint();
    }

    // Runs the paint handler the way a repaint does.
    void Paint()
    {
        pumpFor(5);
        form->FormPaint();
    }

    int X0() const { return form->PlotRect.Left; }
    int Y0() const { return form->PlotRect.Top; }
    int Y1() const { return form->PlotRect.Bottom; }

    void Move(int p, int dy = 10) { form->ImageMouseMove(Qt::NoModifier, X0() + p, Y0() + dy); }
    void Click(int p, Qt::MouseButton b = Qt::LeftButton)
    {
        form->ImageMouseDown(b, Qt::NoModifier, X0() + p, Y0() + 10);
    }

    QColor Pixel(int x, int y) const { return form->GraphImage.pixelColor(x, y); }

    // The level the position words give a minute of the day (UTC = local here).
    static int WholeDbOfMinute(int minuteOfDay) { return 30 + minuteOfDay % 90; }

    QString dataDir;
    TMainFormHvtk* form = nullptr;
};
