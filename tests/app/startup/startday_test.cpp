#include <QDate>
#include <QLabel>

#include "app/graph/graphgeometry.h"
#include "appfixture.h"
#include "peers/dbbwriter.h"

// The program starts on today's data of the active station.
TEST_F(AppFixture, StartShowsTodaysDataOfTheActiveStation)
{
    writeIni("[Station]\nInitialDir=" + dir.path().toUtf8() +
             "\n[Timezone]\nZone=-3600\nDaylight=1\n"
             "[Stations]\nActiv=1\nCount=0\nCount2=1\n[Station1]\nRegion=002\nNumber=015\nName=Hafen\n");
    // Every UTC hour from yesterday to the day after tomorrow, so today is whole in any zone.
    const QDate today = QDate::currentDate();
    const int64_t from = dbbtest::UtcSeconds(today.year(), today.month(), today.day()) - 86400;
    for (int64_t u = from; u < from + 4 * 86400; u += 3600) {
        dbbtest::HourFile f;
        f.region = 2;
        f.station = 15;
        f.utcStart = u;
        ASSERT_FALSE(dbbtest::WriteLocalHour(dir.path(), f).isEmpty());
    }
    start();
    ASSERT_NE(MainFormHvtk, nullptr);
    EXPECT_TRUE(MainFormHvtk->DayHasData);
    for (int i = 0; i < SampleBufferWords; i += 997)
        ASSERT_NE(MainFormHvtk->SampleBuffer[size_t(i)], 0) << i;
    for (const double level : MainFormHvtk->MinuteLevels)
        ASSERT_GE(level, 30.0);
    // After the load the source line is shown again.
    EXPECT_FALSE(MainFormHvtk->lblDevice->isHidden());
    ASSERT_NE(MainFormHvtk->lblStatus, nullptr);
    EXPECT_TRUE(MainFormHvtk->lblStatus->isHidden());
    EXPECT_TRUE(platform::DialogScript::shown().empty());
    // The graph and the date line show the loaded day as soon as the load is over.
    EXPECT_EQ(MainFormHvtk->lblDatum->text().toStdString(), graph::DateCaption(MainFormHvtk->DisplayedDate).toStdString());
    const QImage shown = MainFormHvtk->GraphImage;
    MainFormHvtk->DrawGraph();
    EXPECT_TRUE(shown == MainFormHvtk->GraphImage);
    closeMain();
}

TEST_F(AppFixture, ProgressLineDuringALoad)
{
    writeIni("[Station]\nInitialDir=" + dir.path().toUtf8() +
             "\n[Stations]\nActiv=1\nCount=0\nCount2=1\n[Station1]\nRegion=002\nNumber=015\nName=Hafen\n");
    start();
    MainFormHvtk->ShowProgress(4);
    EXPECT_TRUE(MainFormHvtk->lblDevice->isHidden());
    EXPECT_FALSE(MainFormHvtk->lblStatus->isHidden());
    EXPECT_EQ(MainFormHvtk->lblStatus->text(), TxtReading + QStringLiteral("  4%"));
    MainFormHvtk->ShowProgress(101);
    EXPECT_FALSE(MainFormHvtk->lblDevice->isHidden());
    EXPECT_TRUE(MainFormHvtk->lblStatus->isHidden());
    // No data: the day loads empty.
    EXPECT_FALSE(MainFormHvtk->DayHasData);
    closeMain();
}
