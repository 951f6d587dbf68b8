#include "app/windows/tdayloader.h"

#include <QCoreApplication>
#include <QFile>

#include "data/dbbfile.h"
#include "data/dbbnames.h"
#include "data/localpath.h"
#include "data/stationsettings.h"
#include "data/timerules.h"
#include "app/windows/tdayloaderhost.h"
#include "app/texts/sprachen.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/waitcursor.h"

namespace {

// A load gives up after this many files that yield no samples.
constexpr int MaxEmptyFiles = 3;

}  // namespace

QString ProgressText(int percent)
{
    return TxtReading + QString::asprintf(" %2d%%", percent);
}

class TDayLoader::TFileTaker : public TLocalHourFiles::TVisitor {
public:
    TFileTaker(TDayLoader& loader, bool count) : m_loader(loader), m_count(count) {}
    bool Visit(int64_t utcStart, QFile* file) override
    {
        m_loader.LocalFilePath = m_loader.m_local.LastPath();
        return m_loader.TakeFile(utcStart, file, m_count);
    }

private:
    TDayLoader& m_loader;
    bool m_count;
};

TDayLoader::TDayLoader(TSampleBuffer& samples, TMinuteLevels& levels, TDayLoaderHost& host, TRepeatedHour* repeated)
    : m_samples(samples), m_levels(levels), m_host(host), m_repeated(repeated)
{
}

TDayLoader::~TDayLoader() = default;

void TDayLoader::ShowProgress(int percent)
{
    m_host.ShowProgress(percent);
    // A second load must not start inside this one.
    if (percent <= 100)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

bool TDayLoader::TakeFile(int64_t start, QIODevice* file, bool count)
{
    const TPlacedFile placed = file ? PlaceDbbData(*file, start, m_day, m_samples, m_repeated) : TPlacedFile();
    m_total += placed.Bytes;
    // A file that ends before the day begins is no error; one without any sample is.
    if (placed.HasSamples)
        return true;
    ReportEmptyFile();
    if (count)
        ++m_emptyFiles;
    return m_emptyFiles < MaxEmptyFiles && !m_host.Closing();
}

bool TDayLoader::ReadLocalFiles(int64_t from, int64_t to, bool count)
{
    const TStationSettings& st = CurrentStation;
    m_local.SetStation(JoinLocalPath({st.InitialDir, StationDir(st.RegionNumber, st.StationNumber)}), st.StationNumber);
    TFileTaker taker(*this, count);
    const bool go = m_local.ForEach(from, to, taker);
    LocalFilePath = m_local.LastPath();
    return go;
}

bool TDayLoader::CheckFetched(QFile& file, const QString& name)
{
    // The download's checks: whole, one hour file, and the hour its name says.
    const TFetchedHour hour = CheckFetchedHour(file, name);
    if (hour == TFetchedHour::Own && file.seek(0))
        return true;
    if (!m_refusalTold && !m_host.Closing()) {
        m_refusalTold = true;
        platform::ShowMessage((hour == TFetchedHour::OtherHour ? MsgFileOtherHour : MsgFileIncomplete) + LocalFilePath);
    }
    return false;
}

bool TDayLoader::ReadRemoteFiles(int64_t from, int64_t to, bool count)
{
    const TStationSettings& st = CurrentStation;
    const QString local = JoinLocalPath({st.InitialDir, QString::fromLatin1(TempDbbFileName)});
    for (int64_t u = (from + 59) / 60 * 60; u < to && m_host.OnlineMode(); u += 60) {
        const QString name = QString::asprintf("%.8X.dbb", unsigned(uint32_t(u)));
        const QString listed = m_host.FindRemoteFile(name);
        if (listed.isEmpty())
            continue;
        const TBrokenDownTime f = UtcBreakdown(u);
        LocalFilePath = QString::asprintf("DATA\\DBB\\%.4d\\%.2d\\", f.Year, f.Month + 1) + listed;
        bool fetched = m_host.FtpGetFile(LocalFilePath, local);
        if (!fetched && m_host.OnlineMode()) {
            // Missing there (any other failure has left online mode): older devices keep
            // their files directly in DBB.
            LocalFilePath = QStringLiteral("DATA\\DBB\\") + name;
            fetched = m_host.FtpGetFile(LocalFilePath, local);
        }
        // A failed transfer has said so once: the device is not asked again.
        if (!fetched)
            continue;
        QFile file(local);
        if (!OpenDbbFile(file)) {
            if (!TakeFile(u, nullptr, count))
                return false;
            continue;
        }
        if (CheckFetched(file, listed) && !TakeFile(u, &file, count))
            return false;
    }
    return true;
}

bool TDayLoader::ReadFiles(int64_t from, int64_t to, bool count)
{
    // The mode is read for each stretch: a failed transfer may leave online mode mid-load.
    return m_host.OnlineMode() ? ReadRemoteFiles(from, to, count) : ReadLocalFiles(from, to, count);
}

void TDayLoader::ListRemoteMonths(TDateTime date)
{
    const auto monthMask = [](TDateTime d) {
        return QStringLiteral("DATA\\") + OldDbbMonthDir(d, 0).toUpper() + QStringLiteral("*.DBB");
    };
    m_host.FtpListDir(monthMask(date));
    const int d = DayOfMonth(date, 0);
    if (d >= 28)
        m_host.FtpListDir(monthMask(date + 1));
    else if (d < 2)
        m_host.FtpListDir(monthMask(date - 1));
    m_host.FtpListDir(QStringLiteral("DATA\\DBB\\*.DBB"));
}

void TDayLoader::ReportEmptyFile()
{
    if (m_host.Closing())
        return;
    platform::AppMessageBox(MsgFileReadError + LocalFilePath, QStringLiteral("Error"));
}

bool TDayLoader::LoadDay(TDateTime date)
{
    platform::WaitCursor busy;
    struct LoadScope {
        TLocalHourFiles& files;
        ~LoadScope() { files.Close(); }
    } scope{m_local};
    m_emptyFiles = 0;
    m_total = 0;
    m_refusalTold = false;
    m_day = DayPlacement(date, StationZone());
    ShowProgress(0);
    if (m_host.OnlineMode() && m_host.RemoteFileListEmpty())
        ListRemoteMonths(date);
    m_samples.fill(0);
    if (m_repeated) {
        m_repeated->Samples.fill(0);
        m_repeated->WallHour = m_day.RepeatedWallHour();
    }

    // The previous day's files that reach past its midnight: started less than an hour before.
    bool go = ReadFiles(m_day.Start - 3540, m_day.Start, true);
    // The day hour by hour, on the clock's own count (23, 24 or 25 hours).
    const int hours = m_day.DayHours();
    for (int i = 0; go && i < hours && !m_host.Closing(); ++i) {
        ShowProgress((i + 1) * 96 / hours);
        go = ReadFiles(m_day.Start + 3600 * int64_t(i), m_day.Start + 3600 * int64_t(i + 1), true);
    }
    ShowProgress(100);

    // The next day's first hour; its files are reported but not counted.
    if (go && !m_host.Closing())
        ReadFiles(m_day.DayEnd, m_day.End, false);

    CalcMinuteLevels(m_samples, m_levels);
    ShowProgress(101);
    return m_total > 0;
}
