#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <vector>

#include "data/calendaryear.h"
#include "data/daycsv.h"
#include "data/dbbimport.h"
#include "data/stationsettings.h"
#include "app/windows/tfrmdirselect.h"
#include "app/windows/tfrmimport.h"
#include "bench.h"
#include "peers/dbbwriter.h"

namespace {

// The CSV export of one full day (three files) against writing the same bytes at once.
void CsvExport()
{
    QTemporaryDir dir;
    std::vector<uint16_t> day(3 * daycsv::SamplesPerPart);
    for (size_t i = 0; i < day.size(); ++i)
        day[i] = uint16_t(0x3C00 + (i * 37 % 0x3000));
    const TCsvStation station{QStringLiteral("Musterstadt"), 1, 5, -3600};
    const TDateTime date = EncodeDate(2007, 11, 23);
    const QString prefix = dir.filePath("QWL.csv");
    const double exportUs = bench::MedianMicros(15, [&] { WriteDayCsvFiles(prefix, date, day.data(), station); });
    QByteArray bytes;
    for (int part = 0; part < daycsv::Parts; ++part) {
        QFile f(DayCsvPath(prefix, date, part));
        if (f.open(QIODevice::ReadOnly))
            bytes += f.readAll();
    }
    const double writeUs = bench::MedianMicros(15, [&] {
        QFile f(dir.filePath("plain.csv"));
        if (f.open(QIODevice::WriteOnly))
            f.write(bytes);
    });
    bench::Figure("csv_export_day_ms", exportUs / 1000.0, "ms");
    bench::Figure("csv_export_vs_write", writeUs > 0 ? exportUs / writeUs : 0.0, "x");
}

// A year of hourly files (8760) counted and painted as the calendar does.
void CalendarYear()
{
    QTemporaryDir dir;
    const TStationSettings saved = CurrentStation;
    CurrentStation.ZoneBias = -3600;
    CurrentStation.Daylight = true;
    dbbtest::HourFile f;
    f.minutes = 1;
    for (int h = 0; h < 8760; ++h) {
        f.utcStart = dbbtest::UtcSeconds(2007, 1, 1) + 3600 * h;
        dbbtest::WriteLocalHour(dir.path(), f);
    }
    QImage image(730, 274, QImage::Format_RGB32);
    const double us = bench::MedianMicros(5, [&] {
        TLocalCalendarSource source(dir.path(), 1, 5);
        ScanCalendarYear(source, 2007, 5, nullptr, [&](int m, int d, int n) {
            QPainter p(&image);
            p.fillRect(CalendarCellLeft(d), CalendarCellTop(m), 18, 18, QColor::fromRgb(CalendarCellColour(n)));
            return true;
        });
    });
    bench::Figure("calendar_year_local_ms", us / 1000.0, "ms");
    CurrentStation = saved;
}

// 1000 hour files scanned and copied into a data tree.
void Import()
{
    QTemporaryDir dir;
    dbbtest::HourFile f;
    for (int h = 0; h < 1000; ++h) {
        f.utcStart = dbbtest::UtcSeconds(2007, 1, 1) + 3600 * h;
        dbbtest::WriteFile(dir.filePath("src"), QStringLiteral("%1/%2.dbb").arg(h / 100).arg(h), dbbtest::HourFileBytes(f));
    }
    const double us = bench::MedianMicros(3, [&] {
        for (const QString& e : ScanDbbFiles(dir.filePath("src")))
            ImportDbbFile(dir.filePath("src") + e, dir.filePath("data"));
    });
    bench::Figure("import_1000_files_ms", us / 1000.0, "ms");
}

// 10,000 hour files imported through the import window, shown as the operator sees it, against
// the data layer's scan and copy of the same files; three alternating rounds.
void ImportWindow()
{
    QTemporaryDir dir;
    const QString src = dir.filePath("src");
    dbbtest::HourFile f;
    f.minutes = 1;
    for (int h = 0; h < 10000; ++h) {
        f.utcStart = dbbtest::UtcSeconds(2007, 1, 1) + 3600 * h;
        dbbtest::WriteFile(src, QStringLiteral("%1/%2.dbb").arg(h / 500).arg(h), dbbtest::HourFileBytes(f));
    }
    const TStationSettings saved = CurrentStation;
    CurrentStation.InitialDir = dir.filePath("data");
    QDir().mkpath(CurrentStation.InitialDir);
    TfrmDirSelect chooser;
    TfrmImport window;
    frmDirSelect = &chooser;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (chooser.isVisible() && chooser.SelectFolder(src))
            chooser.bbtOk->click();
    });
    answer.start(10);
    window.show();
    QElapsedTimer waited;
    waited.start();
    while (window.lblRootDir->text().isEmpty() && !waited.hasExpired(30000))
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    answer.stop();
    const std::vector<double> t = bench::AlternatingMedians(3, 1, {
        [&] {
            window.ShowSource(src);
            window.bbtImportClick();
        },
        [&] {
            for (const QString& e : ScanDbbFiles(src))
                ImportDbbFile(src + e, dir.filePath("data"));
        },
    });
    bench::Figure("import_window_10000_files_ms", t[0] / 1000.0, "ms");
    bench::Figure("import_layer_10000_files_ms", t[1] / 1000.0, "ms");
    bench::Figure("import_window_vs_layer", t[1] > 0 ? t[0] / t[1] : 0.0, "x");
    window.done(2);
    frmDirSelect = nullptr;
    CurrentStation = saved;
}

}  // namespace

QWL_BENCH(ImportWindow);
QWL_BENCH(CsvExport);
QWL_BENCH(CalendarYear);
QWL_BENCH(Import);
