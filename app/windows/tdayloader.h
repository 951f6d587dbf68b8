#pragma once
#include <QString>

#include "data/dayfill.h"
#include "data/daymodel.h"
#include "data/tdatetime.h"

class QFile;
class QIODevice;
class TDayLoaderHost;

// Loads one local day of the current station (CurrentStation) into a sample buffer and
// its minute levels, from the local data tree or, in online mode, from the device: every
// hour file whose samples fall in the day, in order of start, each into the place its
// start says (a later start wins where two overlap).
// Runs on the user-interface thread; while it lets pending events run, user input waits.
class TDayLoader {
public:
    // repeated, when given, receives the first of the two 02:xx hours of the day summer
    // time ends.
    TDayLoader(TSampleBuffer& samples, TMinuteLevels& levels, TDayLoaderHost& host, TRepeatedHour* repeated = nullptr);
    ~TDayLoader();
    TDayLoader(const TDayLoader&) = delete;
    TDayLoader& operator=(const TDayLoader&) = delete;

    // True when at least one byte of samples was read.
    bool LoadDay(TDateTime date);

    // Shows the progress and, up to 100 %, lets pending events (not user input) run.
    void ShowProgress(int percent);

    // The hour file last looked up (the device path in online mode), for messages.
    QString LocalFilePath;

private:
    class TFileTaker;
    // The files that start in [from, to); a file without samples is reported, and counted
    // when count is set. False when the load is to stop.
    bool ReadFiles(int64_t from, int64_t to, bool count);
    bool ReadLocalFiles(int64_t from, int64_t to, bool count);
    bool ReadRemoteFiles(int64_t from, int64_t to, bool count);
    // Places one file found (null: it cannot be read); false when the load is to stop.
    bool TakeFile(int64_t start, QIODevice* file, bool count);
    // Whether a fetched file is the whole hour its name says; tells the operator once a load.
    bool CheckFetched(QFile& file, const QString& name);
    void ReportEmptyFile();
    void ListRemoteMonths(TDateTime date);

    TLocalHourFiles m_local;
    TDayPlacement m_day;
    int m_emptyFiles = 0;
    int64_t m_total = 0;
    bool m_refusalTold = false;

    TSampleBuffer& m_samples;
    TMinuteLevels& m_levels;
    TDayLoaderHost& m_host;
    TRepeatedHour* m_repeated;
};

// The reading text of the progress line: "Lesen  4%".
QString ProgressText(int percent);
