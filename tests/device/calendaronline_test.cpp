#include <QTabWidget>

#include "data/calendaryear.h"
#include "app/windows/tfrmstatistik.h"
#include "common/pump.h"
#include "ftpfixture.h"

using dbbtest::UtcSeconds;

// The calendar in online mode reads the simulated device's DATA\DBB tree over FTP; months
// without a folder on the device do not stop the later ones.
TEST_F(FtpFixture, CalendarOnlineDrawsTheDeviceYear)
{
    CurrentStation.ZoneBias = -3600;
    for (int h = 0; h < 24; ++h)
        deviceHour(UtcSeconds(2007, 3, 4, 23) + 3600 * h);  // local 5 March
    for (int h = 0; h < 10; ++h)
        deviceHour(UtcSeconds(2007, 3, 5, 23) + 3600 * h);  // 6 March, partly
    startDevice();
    ASSERT_TRUE(DataModFtp->FtpConnect(QStringLiteral("127.0.0.1"), QStringLiteral("kqv"), QStringLiteral("kqv")));

    TfrmStatistik w;
    w.IsOnline = [] { return true; };
    w.show();
    ASSERT_TRUE(pumpUntil([&] { return w.YearCount > 0 && w.YearImages[size_t(w.YearCount - 1)]->Tag == 1; }, 30000));
    EXPECT_EQ(w.PageCtrl->tabText(w.YearCount - 1), QStringLiteral("2007"));
    const auto colour = [&](int month, int day) {
        const QRgb c = w.YearImages[size_t(w.YearCount - 1)]->Image.pixel(CalendarCellLeft(day) + 9, CalendarCellTop(month) + 9);
        return uint32_t(qBlue(c) << 16 | qGreen(c) << 8 | qRed(c));
    };
    EXPECT_EQ(colour(3, 5), 0xFFFFFFu);
    EXPECT_EQ(colour(3, 6), 0xC0C0C0u);
    EXPECT_EQ(colour(3, 7), 0xDCB43Cu);
    w.done(2);
}
