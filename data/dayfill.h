#pragma once
#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstdint>
#include <vector>

#include "data/daymodel.h"
#include "data/tdatetime.h"
#include "data/timerules.h"

class QIODevice;

// Where the samples of a local day go. Hour files carry UTC; the day's sample buffer is laid
// out by the local wall clock. On the day summer time begins the wall clock skips an hour
// (02:00-02:59 stays empty); on the day it ends 02:00-02:59 comes twice: the buffer holds the
// second (standard time) and the first goes to the repeated hour.
struct TDayPlacement {
    int64_t Start = 0;  // UTC of the day's 00:00
    int64_t DayEnd = 0;  // UTC of the next day's 00:00
    int64_t End = 0;  // UTC at which the buffer's 25 wall hours end
    // Samples after Start at which the wall clock jumps by Jump samples (+6000 forward,
    // -6000 back); no jump: 0.
    int SwitchAt = 0;
    int Jump = 0;

    // Hours of the day on the clock's own count: 23, 24 or 25.
    int DayHours() const { return int((DayEnd - Start) / 3600); }
    // The wall hour that comes twice, -1 when none.
    int RepeatedWallHour() const { return Jump < 0 ? (SwitchAt + Jump) / SamplesPerHour : -1; }
};

TDayPlacement DayPlacement(TDateTime date, TStationZone zone);

// 'A' for an instant in the first pass of the clock through the hour it shows twice, 'B' for
// one in the second, 0 otherwise: the marks the CSV export gives those hours.
char RepeatedHourPass(int64_t utc, TStationZone zone);

// What one hour file gave the day.
struct TPlacedFile {
    int Bytes = 0;  // sample bytes that landed in the day
    bool HasSamples = false;  // its DATA chunk holds at least one sample, in the day or not
    bool operator==(const TPlacedFile&) const = default;
};

// Reads the DATA chunk of an open hour file into the places its samples belong to. The file
// starts at nameStart (UTC, from its name) unless its FILE chunk names another start. Samples
// outside the day and the buffer are passed over; a file that ends early fills what it holds.
// repeated may be null (the first 02:xx hour is then dropped).
TPlacedFile PlaceDbbData(QIODevice& file, int64_t nameStart, const TDayPlacement& day, TSampleBuffer& samples,
                         TRepeatedHour* repeated);

// The hour files of one station in the local tree, found in order of their start. Each month
// folder is opened and listed once; a folder that may be searched but not listed is asked
// per minute. Keeps the folder open between calls until Close().
class TLocalHourFiles {
public:
    class TVisitor {
    public:
        virtual ~TVisitor() = default;
        // file is null for a file that is there but cannot be opened. false stops the walk.
        virtual bool Visit(int64_t utcStart, QFile* file) = 0;
    };

    TLocalHourFiles() = default;
    ~TLocalHourFiles() { Close(); }
    TLocalHourFiles(const TLocalHourFiles&) = delete;
    TLocalHourFiles& operator=(const TLocalHourFiles&) = delete;

    // The station's folder ("<data>/RegRRR/StatSSS") and number; cheap when unchanged.
    void SetStation(const QString& stationFolder, int station);
    // Visits the files that start in the whole minutes of [from, to); false when stopped.
    bool ForEach(int64_t from, int64_t to, TVisitor& visitor);
    void Close();
    // The path of the file last visited, or of the last folder looked into.
    QString LastPath() const;

private:
    bool OpenMonth(int year, int monthIndex);
    void ListMonth();

    QString m_folderText;
    QByteArray m_folder;
    int m_station = -1;
    // The month folder in use: its UTC start and minute count, and a bit per minute that
    // has a file (only when Listed).
    int m_fd = -1;
    int m_year = -1;
    int m_month = -1;
    int64_t m_monthStart = 0;
    int m_monthMinutes = 0;
    bool m_listable = false;
    bool m_listed = false;
    std::vector<uint64_t> m_present;
    char m_path[160] = {};  // "/yyyy/mm/yyyymmdd-hhmm00-sss.dbb" behind the station folder
    QFile m_file;
};
