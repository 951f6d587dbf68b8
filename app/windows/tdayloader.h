#pragma once
#include <QString>
#include <memory>
#include <vector>

#include "data/daymodel.h"
#include "data/tdatetime.h"

class QFile;
class TDayLoaderHost;

// Loads one local day of the current station (CurrentStation) into a sample buffer and
// its minute levels, from the local data tree or, in online mode, from the device.
// Runs on the user-interface thread; while it lets pending events run, user input waits.
class TDayLoader {
public:
    TDayLoader(TSampleBuffer& samples, TMinuteLevels& levels, TDayLoaderHost& host);
    ~TDayLoader();
    TDayLoader(const TDayLoader&) = delete;
    TDayLoader& operator=(const TDayLoader&) = delete;

    // True when at least one byte of samples was read.
    bool LoadDay(TDateTime date);

    // Opens the hour file of local hour h of date that starts at the first minute of
    // m .. mMax present; m becomes that minute. Null when none (m unchanged).
    std::unique_ptr<QFile> OpenHourFile(int h, int& m, int mMax, TDateTime date);

    // Shows the progress and, up to 100 %, lets pending events (not user input) run.
    void ShowProgress(int percent);

    // The hour file last looked up (the device path in online mode), for messages.
    QString LocalFilePath;

private:
    // Reads the DATA of an open hour file into the buffer at byte offset; 0 bytes is
    // reported and counted by the caller.
    int ReadInto(QFile& file, int byteOffset, int skip, int count);
    void ReportEmptyFile();
    void ListRemoteMonths(TDateTime date);
    std::unique_ptr<QFile> OpenLocalHourFile(int h, int& m, int mMax, TDateTime date);
    // The station's folder in the local tree, built once for the station it was built for.
    void UpdateStationFolder();

    struct TStationFolder {
        QString InitialDir;
        int Region = -1;
        int Station = -1;
        bool Built = false;
        QString Text;
        QByteArray Bytes;
    };
    TStationFolder m_folder;

    // The month folder of the last probe, open while a load runs (one path walk per month
    // instead of one per minute); a folder that is not there is looked at again per hour.
    // After many misses in it, its names are read once and the minutes without a file
    // are passed over without asking the system.
    struct TMonthFolder {
        int Year = -1;
        int Month = -1;
        int Fd = -1;
        int Error = 0;
        bool Readable = false;
        int Misses = 0;
        bool Listed = false;
        // One bit per minute of the month: (day - 1) * 1440 + hour * 60 + minute.
        std::vector<uint64_t> Present;
    };
    void ListMonthFolder(const char* probeName);
    TMonthFolder m_month;
    bool m_loading = false;
    void CloseMonthFolder();

    TSampleBuffer& m_samples;
    TMinuteLevels& m_levels;
    TDayLoaderHost& m_host;
};

// The reading text of the progress line: "Lesen  4%".
QString ProgressText(int percent);
