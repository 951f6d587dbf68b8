#pragma once
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <map>
#include <set>

#include "data/tdatetime.h"

// The availability calendar's year: which hour files each day has, from the local data tree
// or from a device's file tree, and the grid of 12 x 31 day cells it is drawn as.

// Where the calendar finds its files. The local tree and the device differ in these few
// operations only; a source keeps its own current folder (the process's is never changed).
class TCalendarSource {
public:
    virtual ~TCalendarSource() = default;
    // Device names (hex Unix seconds) rather than dated names.
    virtual bool HexNames() const = 0;
    // The year folders present ("2007", ...), in any order.
    virtual QStringList YearFolders() = 0;
    // The month folder of a UTC time, as ChangeDir takes it ("Reg001/Stat005/2007/11" or
    // "DBB\2007\11").
    virtual QString MonthDir(uint32_t utc) = 0;
    virtual bool DirExists(const QString& dir) = 0;
    virtual bool ChangeDir(const QString& dir) = 0;
    // Appends the names in the current folder that match mask; returns how many it added.
    virtual int ListFiles(QStringList& list, const QString& mask) = 0;
    // After a year: back to the top of the tree.
    virtual void Finish() {}
};

// The local data tree of one station below dataDir.
class TLocalCalendarSource : public TCalendarSource {
public:
    TLocalCalendarSource(QString dataDir, int region, int station);
    bool HexNames() const override { return false; }
    QStringList YearFolders() override;
    QString MonthDir(uint32_t utc) override;
    bool DirExists(const QString& dir) override;
    bool ChangeDir(const QString& dir) override;
    int ListFiles(QStringList& list, const QString& mask) override;

private:
    QString m_dataDir;
    int m_region;
    int m_station;
    QString m_current;
};

// A device's file tree over FTP ("DATA\DBB\yyyy\mm" of hex-named files), through the two
// commands of the FTP command layer: change folder and list names by mask.
class TDeviceCalendarSource : public TCalendarSource {
public:
    using ChangeDirFunction = std::function<bool(const QString& dir)>;
    using ListDirFunction = std::function<int(QStringList& list, const QString& mask)>;
    TDeviceCalendarSource(ChangeDirFunction changeDir, ListDirFunction listDir);
    bool HexNames() const override { return true; }
    QStringList YearFolders() override;
    QString MonthDir(uint32_t utc) override;
    // Looked up in a listing of the year folder: changing into a missing folder would leave
    // the command layer's failure code set and fail every later change.
    bool DirExists(const QString& dir) override;
    bool ChangeDir(const QString& dir) override;
    int ListFiles(QStringList& list, const QString& mask) override;
    void Finish() override;

private:
    std::map<QString, QStringList> m_yearListings;
    ChangeDirFunction m_changeDir;
    ListDirFunction m_listDir;
};

namespace calendar {
inline constexpr uint32_t Background = 0xDCB43C;  // colours as 0x00BBGGRR
inline constexpr uint32_t Complete = 0xFFFFFF;
inline constexpr uint32_t Partial = 0xC0C0C0;
inline constexpr int CellSize = 18;
inline constexpr int Pitch = 20;
inline constexpr int GridLeft = 100;
inline constexpr int GridTop = 28;
inline constexpr int FirstYear = 1999;
inline constexpr int LastYear = 2999;
inline constexpr int MaxYears = 100;
}  // namespace calendar

// White for 24 files or more, silver for some, the background for none.
uint32_t CalendarCellColour(int files);
// The top-left corner of the cell of a day (month 1..12, day 1..31).
int CalendarCellLeft(int day);
int CalendarCellTop(int month);
// The date of the cell under a point of the year's image; 0.0 when the point lies outside
// the grid or on a day that does not exist (30 February).
TDateTime CalendarDateAt(int year, int x, int y);
// The year of a folder name: 1999..2999, else 0.
int CalendarYearOf(const QString& folderName);

// Lists the month folders a year needs, each once, and counts for every day of the year the
// files whose hour reaches into it (zone and station of CurrentStation). monthStarted runs
// before each month's listing; cell runs for each day and returns false to stop the scan.
// Returns false when stopped.
bool ScanCalendarYear(TCalendarSource& source, int year, int station,
                      const std::function<void(int month)>& monthStarted,
                      const std::function<bool(int month, int day, int files)>& cell);
