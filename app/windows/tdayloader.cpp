#include "app/windows/tdayloader.h"

#include <QCoreApplication>
#include <QFile>
#include <QVarLengthArray>
#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "data/datatree.h"
#include "data/dbbfile.h"
#include "data/dbbnames.h"
#include "data/localpath.h"
#include "data/stationsettings.h"
#include "data/timerules.h"
#include "app/windows/tdayloaderhost.h"
#include "app/texts/sprachen.h"
#include "platform/gui/dialogs.h"
#include "platform/core/folder.h"
#include "platform/core/regularfile.h"
#include "platform/gui/waitcursor.h"

namespace {

constexpr int HourBytes = dbb::HourBytes;
constexpr int MinuteBytes = dbb::MinuteBytes;
constexpr int BufferBytes = SampleBufferWords * 2;
// Hour files are read straight into the word buffer.
static_assert(std::endian::native == std::endian::little, "sample words are little-endian in files");
// A load gives up after this many files that yield no samples.
constexpr int MaxEmptyFiles = 3;

std::unique_ptr<QFile> OpenReadOnly(const QString& path)
{
    auto file = std::make_unique<QFile>(path);
    if (!OpenDbbFile(*file))
        return nullptr;
    return file;
}

enum class TProbe { Opened, Absent, Unreadable };

// Misses in one month folder after which its names are read at once: more than a day
// with a file each hour needs, fewer than an hour without files costs.
constexpr int ListAfterMisses = 24;

// Nothing by that name, nor its folder: the search goes on.
TProbe ProbeOfError(int error)
{
    return error == ENOENT || error == ENOTDIR ? TProbe::Absent : TProbe::Unreadable;
}

// One look at a minute's file in its month folder: a regular file is opened; a folder, FIFO
// or device by that name is no hour file and the search goes on; a file that cannot be
// opened ends it.
TProbe ProbeHourFile(int folder, const char* name, std::unique_ptr<QFile>& file)
{
    auto opened = std::make_unique<QFile>();
    switch (platform::OpenRegularFileAt(folder, name, *opened)) {
    case platform::OpenResult::Opened:
        file = std::move(opened);
        return TProbe::Opened;
    case platform::OpenResult::Missing:
    case platform::OpenResult::NotRegular:
        return TProbe::Absent;
    default:
        return TProbe::Unreadable;
    }
}

}  // namespace

QString ProgressText(int percent)
{
    return TxtReading + QString::asprintf(" %2d%%", percent);
}

TDayLoader::TDayLoader(TSampleBuffer& samples, TMinuteLevels& levels, TDayLoaderHost& host)
    : m_samples(samples), m_levels(levels), m_host(host)
{
}

TDayLoader::~TDayLoader()
{
    CloseMonthFolder();
}

void TDayLoader::CloseMonthFolder()
{
    platform::CloseFolder(m_month.Fd);
    m_month = TMonthFolder();
}

void TDayLoader::ShowProgress(int percent)
{
    m_host.ShowProgress(percent);
    // A second load must not start inside this one.
    if (percent <= 100)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TDayLoader::UpdateStationFolder()
{
    const TStationSettings& st = CurrentStation;
    if (m_folder.Built && m_folder.Region == st.RegionNumber && m_folder.Station == st.StationNumber
        && m_folder.InitialDir == st.InitialDir)
        return;
    m_folder.InitialDir = st.InitialDir;
    m_folder.Region = st.RegionNumber;
    m_folder.Station = st.StationNumber;
    m_folder.Text = JoinLocalPath({st.InitialDir, StationDir(st.RegionNumber, st.StationNumber)});
    m_folder.Bytes = QFile::encodeName(m_folder.Text);
    m_folder.Built = true;
}

void TDayLoader::ListMonthFolder(const char* probeName)
{
    m_month.Listed = true;
    m_month.Present.assign(31 * 1440 / 64 + 1, 0);
    // Every name a probe of this folder can ask for: "yyyymm" dd "-" hhmm "00-sss.dbb".
    const size_t length = std::strlen(probeName);
    constexpr size_t DayAt = 6, DashAt = 8, HourAt = 9, TailAt = 13;
    if (length <= TailAt) {
        m_month.Listed = false;
        return;
    }
    const auto twoDigits = [](const char* p) {
        return p[0] >= '0' && p[0] <= '9' && p[1] >= '0' && p[1] <= '9' ? (p[0] - '0') * 10 + (p[1] - '0') : -1;
    };
    const bool complete = platform::ListFolder(m_month.Fd, [&](const char* name) {
        if (std::strlen(name) != length || std::memcmp(name, probeName, DayAt) != 0 || name[DashAt] != '-'
            || std::memcmp(name + TailAt, probeName + TailAt, length - TailAt) != 0)
            return;
        const int day = twoDigits(name + DayAt), hour = twoDigits(name + HourAt), minute = twoDigits(name + HourAt + 2);
        if (day < 1 || day > 31 || hour < 0 || hour > 23 || minute < 0 || minute > 59)
            return;
        const int i = (day - 1) * 1440 + hour * 60 + minute;
        m_month.Present[size_t(i / 64)] |= uint64_t(1) << (i % 64);
    });
    // A listing cut short is no proof that a file is missing.
    if (!complete)
        m_month.Listed = false;
}

std::unique_ptr<QFile> TDayLoader::OpenLocalHourFile(int h, int& m, int mMax, TDateTime date)
{
    if (m > mMax)
        return nullptr;
    UpdateStationFolder();
    const int station = CurrentStation.StationNumber;
    // The folder, then ".../yyyy/mm/yyyymmdd-hhmm00-sss.dbb" written behind it per minute.
    constexpr int TailSpace = 64;
    const qsizetype folderLength = m_folder.Bytes.size();
    QVarLengthArray<char, 512> path(folderLength + TailSpace);
    std::memcpy(path.data(), m_folder.Bytes.constData(), size_t(folderLength));
    char* tail = path.data() + folderLength;
    const auto pathText = [&] { return m_folder.Text + QLatin1String(tail); };

    // Within one local hour the minutes are plain seconds apart (no zone change).
    const uint32_t hourStart = LocalToUnix(date, h, 0);
    std::unique_ptr<QFile> file;
    TProbe probe = TProbe::Absent;
    for (int k = m; k <= mMax && probe == TProbe::Absent; ++k) {
        // The folder follows the file's exact UTC start (zones such as +05:45).
        const TBrokenDownTime f = UtcBreakdown(hourStart + uint32_t(60 * k));
        std::snprintf(tail, TailSpace, "/%.4d/%.2d/%.4d%.2d%.2d-%.2d%.2d00-%.3d.dbb", f.Year, f.Month + 1, f.Year,
                      f.Month + 1, f.Day, f.Hour, f.Minute, station);
        char* slash = std::strrchr(tail, '/');
        if (f.Year != m_month.Year || f.Month != m_month.Month) {
            CloseMonthFolder();
            *slash = '\0';
            // A folder that may be searched but not read: probe every minute.
            m_month.Fd = platform::OpenFolder(path.data(), m_month.Readable);
            m_month.Error = m_month.Fd < 0 ? errno : 0;
            *slash = '/';
            m_month.Year = f.Year;
            m_month.Month = f.Month;
        }
        if (m_month.Fd < 0) {
            probe = ProbeOfError(m_month.Error);
            continue;
        }
        if (!m_month.Listed && m_month.Readable && m_month.Misses >= ListAfterMisses)
            ListMonthFolder(slash + 1);
        const int minuteOfMonth = (f.Day - 1) * 1440 + f.Hour * 60 + f.Minute;
        if (m_month.Listed && !(m_month.Present[size_t(minuteOfMonth / 64)] >> (minuteOfMonth % 64) & 1))
            probe = TProbe::Absent;
        else
            probe = ProbeHourFile(m_month.Fd, slash + 1, file);
        if (probe == TProbe::Opened)
            m = k;
        else
            ++m_month.Misses;
    }
    // The last path looked at, found or not, names the file in messages.
    LocalFilePath = pathText();
    if (!m_loading || m_month.Fd < 0)
        CloseMonthFolder();
    // A file that is there but cannot be read ends the search with nothing.
    return file;
}

std::unique_ptr<QFile> TDayLoader::OpenHourFile(int h, int& m, int mMax, TDateTime date)
{
    if (!m_host.OnlineMode())
        return OpenLocalHourFile(h, m, mMax, date);
    const TStationSettings& st = CurrentStation;
    const QString local = JoinLocalPath({st.InitialDir, QString::fromLatin1(TempDbbFileName)});
    for (int k = m; k <= mMax; ++k) {
        const QString name = HexDbbName(date, h, k);
        const QString listed = m_host.FindRemoteFile(name);
        if (listed.isEmpty())
            continue;
        LocalFilePath = QStringLiteral("DATA\\") + OldDbbMonthDir(date, h, k).toUpper() + listed;
        bool fetched = m_host.FtpGetFile(LocalFilePath, local);
        if (!fetched && m_host.OnlineMode()) {
            // Missing there (any other failure has left online mode): older devices keep
            // their files directly in DBB.
            LocalFilePath = QStringLiteral("DATA\\DBB\\") + name;
            fetched = m_host.FtpGetFile(LocalFilePath, local);
        }
        if (fetched) {
            auto file = OpenReadOnly(local);
            if (file)
                m = k;
            return file;
        }
        // A failed transfer has said so once: the device is not asked again.
        if (!m_host.OnlineMode())
            return nullptr;
    }
    return nullptr;
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

int TDayLoader::ReadInto(QFile& file, int byteOffset, int skip, int count)
{
    // Never past the buffer, whatever the minute found.
    count = std::min(count, BufferBytes - byteOffset);
    if (byteOffset < 0 || count <= 0)
        return 0;
    return ReadDbbData(file, reinterpret_cast<char*>(m_samples.data()) + byteOffset, skip, count);
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
        TDayLoader& loader;
        explicit LoadScope(TDayLoader& l) : loader(l) { loader.m_loading = true; }
        ~LoadScope()
        {
            loader.m_loading = false;
            loader.CloseMonthFolder();
        }
    } scope(*this);
    int emptyFiles = 0;
    int step = 0;
    int64_t total = 0;
    ShowProgress(0);
    if (m_host.OnlineMode() && m_host.RemoteFileListEmpty())
        ListRemoteMonths(date);
    m_samples.fill(0);

    // The previous day's 23:m file supplies 00:00 .. 00:m; its search starts at minute 1.
    int m = 1;
    if (auto file = OpenHourFile(23, m, 59, date - 1)) {
        const int n = ReadInto(*file, 0, HourBytes - MinuteBytes * m, MinuteBytes * m);
        if (n == 0) {
            ++emptyFiles;
            ReportEmptyFile();
        }
        total += n;
    }

    // The start minute carries on from the previous day's file through the hours.
    for (int h = 0; h < 24; ++h) {
        ++step;
        ShowProgress(step * 100 / 25);
        auto file = OpenHourFile(h, m, 59, date);
        if (!file && m >= 1) {
            const int k = m - 1;
            m = 0;
            file = OpenHourFile(h, m, k, date);
        }
        if (file) {
            const int n = ReadInto(*file, h * HourBytes + MinuteBytes * m, 0, HourBytes);
            if (n == 0) {
                ++emptyFiles;
                ReportEmptyFile();
            }
            total += n;
        }
        if (emptyFiles >= MaxEmptyFiles || m_host.Closing())
            break;
    }
    ShowProgress(100);

    // The next day's 00:m file fills the buffer to its end.
    if (emptyFiles < MaxEmptyFiles && !m_host.Closing()) {
        if (auto file = OpenHourFile(0, m, 59, date + 1)) {
            const int n = ReadInto(*file, 24 * HourBytes + MinuteBytes * m, 0, HourBytes - MinuteBytes * m);
            if (n == 0)
                ReportEmptyFile();
            total += n;
        }
    }

    CalcMinuteLevels(m_samples, m_levels);
    ShowProgress(101);
    return total > 0;
}
