#pragma once
#include <QString>
#include <QStringList>
#include <functional>

class IniFile;

// The station list in the settings file. A row is the 23 column texts of the station grid.
namespace stationlistfile {

// Largest count of stations taken from the file; larger counts are damaged files.
constexpr int MaxStations = 10000;

struct RowDefaults {
    int zoneBias = 0;  // the current ZoneBias
    bool daylight = false;  // the current Daylight
    std::function<QString(int)> zoneText;  // display text of a zone bias
};

// The rows the file holds: the last row up to the stored counts whose entries exist (a
// damaged count, negative or no number, looks at every possible row). Newer rows, when the
// file has any, replace the older ones; older is the count of the older layout.
struct StoredRows {
    int older = 0;
    int newer = 0;
};
StoredRows CountStoredRows(const IniFile& ini);
// The active row: "Activ" when it is 1..rows, 1 when it lies beyond the rows; 0 (none valid,
// the user picks one) when it is missing, damaged or below 1, or no row exists.
int StoredActiveRow(const IniFile& ini, int rows);

// Row i (1-based) of the newer layout: section "Station<i>"; the password is unscrambled.
QStringList ReadNewerRow(const IniFile& ini, int i, const RowDefaults& d);
// Row i of the older layout: keys "<name><i>" in section "Stations", shared keys in "IO".
QStringList ReadOlderRow(const IniFile& ini, int i, const RowDefaults& d);
// Writes row i into section "Station<i>" (the zone text is not stored; the password is
// scrambled).
void WriteNewerRow(IniFile& ini, int i, const QStringList& row);

}  // namespace stationlistfile
