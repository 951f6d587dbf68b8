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

// Row i (1-based) of the newer layout: section "Station<i>"; the password is unscrambled.
QStringList ReadNewerRow(const IniFile& ini, int i, const RowDefaults& d);
// Row i of the older layout: keys "<name><i>" in section "Stations", shared keys in "IO".
QStringList ReadOlderRow(const IniFile& ini, int i, const RowDefaults& d);
// Writes row i into section "Station<i>" (the zone text is not stored; the password is
// scrambled).
void WriteNewerRow(IniFile& ini, int i, const QStringList& row);

}  // namespace stationlistfile
