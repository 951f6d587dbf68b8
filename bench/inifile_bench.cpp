#include <QTemporaryDir>

#include "app/stationlistfile.h"
#include "bench.h"
#include "platform/core/inifile.h"

namespace {

// Writing a station list of n rows (23 keys each) into an INI and serialising it: linear in
// the number of rows when look-ups take constant time, so the time per row stays flat.
void IniSave()
{
    QTemporaryDir dir;
    const QStringList row = QString("1,5,Hafen,10.0.0.1,,-3600,1,38353,255.255.255.0,kqv,kqv,22,6,6,18,0,0,22,6,6,18,0,0")
                                .split(QLatin1Char(','));
    for (int n : {100, 1000, 10000}) {
        const double us = bench::MedianMicros(3, [&] {
            IniFile ini(dir.filePath(QStringLiteral("b.INI")));
            for (int i = 1; i <= n; ++i)
                stationlistfile::WriteNewerRow(ini, i, row);
            (void)ini.Serialize();
        });
        bench::Figure(qPrintable(QStringLiteral("ini_save_%1_stations_per_row").arg(n)), us / n, "us");
    }
}

}  // namespace

QWL_BENCH(IniSave);
