#include "app/tdayloader.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <bit>

#include "app/data/datatree.h"
#include "app/data/dbbfile.h"
#include "app/data/dbbnames.h"
#include "app/data/localpath.h"
#include "app/data/stationsettings.h"
#include "app/data/timerules.h"
#include "app/tdayloaderhost.h"
#include "app/texts/sprachen.h"
#include "platform/dialogs.h"
#include "platform/waitcursor.h"

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

}  // namespace

QString ProgressText(int percent)
{
    return TxtReading + QString::asprintf(" %2d%%", percent);
}

TDayLoader::TDayLoader(TSampleBuffer& samples, TMinuteLevels& levels, TDayLoaderHost& host)
    : m_samples(samples), m_levels(levels), m_host(host)
{
}

void TDayLoader::ShowProgress(int percent)
{
    m_host.ShowProgress(percent);
    // A second load must not start inside this one.
    if (percent <= 100)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

std::unique_ptr<QFile> TDayLoader::OpenHourFile(int h, int& m, int mMax, TDateTime date)
{
    const TStationSettings& st = CurrentStation;
    if (!m_host.OnlineMode()) {
        // Within one local hour the minutes are plain seconds apart (no zone change).
        const uint32_t hourStart = LocalToUnix(date, h, 0);
        for (int k = m; k <= mMax; ++k) {
            const uint32_t start = hourStart + uint32_t(60 * k);
            // The folder follows the file's exact UTC start (zones such as +05:45).
            LocalFilePath = JoinLocalPath({st.InitialDir, StationMonthDirOfUnix(start, st.RegionNumber, st.StationNumber),
                                           DatedDbbNameOfUnix(start, st.StationNumber)});
            auto file = OpenReadOnly(LocalFilePath);
            if (file) {
                m = k;
                return file;
            }
            // A file that is there but cannot be read ends the search.
            if (QFileInfo::exists(LocalFilePath))
                return nullptr;
        }
        return nullptr;
    }
    const QString local = JoinLocalPath({st.InitialDir, QString::fromLatin1(TempDbbFileName)});
    for (int k = m; k <= mMax; ++k) {
        const QString name = HexDbbName(date, h, k);
        const QString listed = m_host.FindRemoteFile(name);
        if (listed.isEmpty())
            continue;
        LocalFilePath = QStringLiteral("DATA\\") + OldDbbMonthDir(date, h, k).toUpper() + listed;
        bool fetched = m_host.FtpGetFile(LocalFilePath, local);
        if (!fetched) {
            // Older devices keep their files directly in DBB.
            LocalFilePath = QStringLiteral("DATA\\DBB\\") + name;
            fetched = m_host.FtpGetFile(LocalFilePath, local);
        }
        if (fetched) {
            auto file = OpenReadOnly(local);
            if (file)
                m = k;
            return file;
        }
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

    for (int i = 0; i < MinutesPerDay; ++i)
        m_levels[size_t(i)] = CalcLeq(m_samples.data() + SamplesPerMinute * i, SamplesPerMinute);
    ShowProgress(101);
    return total > 0;
}
