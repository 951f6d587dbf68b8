#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <memory>

#include "data/stationsettings.h"
#include "data/tdatetime.h"
#include "app/windows/tdayloader.h"
#include "app/windows/tdayloaderhost.h"
#include "bench.h"
#include "peers/dbbwriter.h"

namespace {

// A full day of 26 hour files at minute 20 (the previous day's 23:20 to the next day's
// 00:20), loaded by LoadDay, against just opening and reading the same files.
void DayLoad()
{
    QTemporaryDir dir;
    const TStationSettings saved = CurrentStation;
    CurrentStation.InitialDir = dir.path();
    CurrentStation.RegionNumber = 1;
    CurrentStation.StationNumber = 5;
    CurrentStation.ZoneBias = -3600;
    CurrentStation.Daylight = false;

    const int64_t midnight = dbbtest::UtcSeconds(2007, 11, 22, 23);
    QStringList paths;
    for (int h = -1; h <= 24; ++h) {
        dbbtest::HourFile f;
        f.utcStart = midnight + 3600 * h + 1200;
        paths << dbbtest::WriteLocalHour(dir.path(), f);
    }

    // The month folder holds a file for every hour, as a station's does; their contents do
    // not matter here. The empty day, 10 November, and the days around it stay empty.
    for (int day = 1; day <= 30; ++day) {
        for (int h = 0; h < 24 && (day < 9 || day > 11); ++h) {
            const int64_t start = dbbtest::UtcSeconds(2007, 11, day, h) + 1200;
            const QString path = QDir(dir.path()).filePath(dbbtest::LocalTreePath(1, 5, start));
            if (!QFile::exists(path))
                dbbtest::WriteFile(dir.path(), dbbtest::LocalTreePath(1, 5, start), QByteArray());
        }
    }

    auto samples = std::make_unique<TSampleBuffer>();
    auto levels = std::make_unique<TMinuteLevels>();
    TDayLoaderHost host;
    TDayLoader loader(*samples, *levels, host);
    const TDateTime day = EncodeDate(2007, 11, 23);
    loader.LoadDay(day);  // warm the page cache

    QByteArray buffer(300000 + 1000, '\0');
    const TDateTime emptyDay = EncodeDate(2007, 11, 10);
    const std::vector<double> t = bench::AlternatingMedians(
        5, 40,
        {[&] { loader.LoadDay(day); },
         [&] {
             for (const QString& p : paths) {
                 QFile file(p);
                 if (file.open(QIODevice::ReadOnly))
                     file.read(buffer.data(), 13000);
             }
         },
         [&] { loader.LoadDay(emptyDay); }});
    bench::Figure("loadday_median", t[0], "us");
    bench::Figure("raw_read_26_files_median", t[1], "us");
    bench::Figure("loadday_vs_raw_read", t[1] > 0 ? t[0] / t[1] : 0.0, "x");
    bench::Figure("loadday_empty_day_ms", t[2] / 1000.0, "ms");
    CurrentStation = saved;
}

}  // namespace

QWL_BENCH(DayLoad);
