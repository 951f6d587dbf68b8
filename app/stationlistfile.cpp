#include "app/stationlistfile.h"

#include <algorithm>

#include "data/scramblepassword.h"
#include "data/stationsettings.h"
#include "platform/core/inifile.h"

namespace stationlistfile {

namespace {
const char* const HourKeys[12] = {"WDNightLow", "WDNightHigh", "WDDay1Low", "WDDay1High", "WDDay2Low", "WDDay2High",
    "SDNightLow", "SDNightHigh", "SDDay1Low", "SDDay1High", "SDDay2Low", "SDDay2High"};
const char* const NewerHourDefaults[12] = {"22", "6", "6", "18", "0", "0", "22", "6", "6", "18", "0", "0"};
const char* const OlderHourDefaults[12] = {"22", "6", "6", "20", "0", "0", "22", "6", "6", "20", "0", "0"};

const QString Stations = QStringLiteral("Stations");

int StoredCount(const IniFile& ini, const char* key)
{
    if (!ini.ValueExists(Stations, key))
        return 0;
    const int v = ini.ReadInteger(Stations, key, -1);
    return v < 0 ? MaxStations : std::min(v, MaxStations);
}

template <class Exists>
int LastStoredRow(int limit, Exists exists)
{
    for (int i = std::min(limit, MaxStations); i > 0; --i)
        if (exists(i))
            return i;
    return 0;
}

// A stored row: its keys and fixed-width values (about 340 ASCII characters), then the three
// texts the windows take (name, login, password) at their longest, address and mask. A file
// in UTF-16 takes two bytes a character, one in UTF-8 at most three (one for ASCII).
constexpr qint64 RowFixedChars = 340;
constexpr qint64 RowTextChars = 3 * MaxStationTextChars + 2 * 15;
constexpr qint64 LongestRowBytes = std::max(2 * (RowFixedChars + RowTextChars), RowFixedChars + 3 * RowTextChars);
static_assert(MaxStations * LongestRowBytes + (64 << 10) <= IniFile::MaxFileBytes,
              "the settings file must hold the largest station list");

QString flag(bool b) { return b ? QStringLiteral("1") : QStringLiteral("0"); }
QString zoneTextOf(const RowDefaults& d, int bias) { return d.zoneText ? d.zoneText(bias) : QString(); }
}  // namespace

StoredRows CountStoredRows(const IniFile& ini)
{
    StoredRows r;
    const int count = StoredCount(ini, "Count");
    const int count2 = StoredCount(ini, "Count2");
    r.older = LastStoredRow(count, [&ini](int i) {
        for (const char* k : {"Region", "Number", "Name"})
            if (ini.ValueExists(Stations, QLatin1String(k) + QString::number(i)))
                return true;
        return false;
    });
    if (count2 > 0)
        r.newer = LastStoredRow(count + count2, [&ini](int i) { return ini.SectionExists(QStringLiteral("Station%1").arg(i)); });
    return r;
}

int StoredActiveRow(const IniFile& ini, int rows)
{
    const int active = ini.ReadInteger(Stations, "Activ", 0);
    if (rows < 1 || active < 1)
        return 0;
    return active > rows ? 1 : active;
}

QStringList ReadNewerRow(const IniFile& ini, int i, const RowDefaults& d)
{
    const QString s = QStringLiteral("Station%1").arg(i);
    QStringList row;
    row.reserve(23);
    row << ini.ReadString(s, "Region", "0") << ini.ReadString(s, "Number", "0") << ini.ReadString(s, "Name", "")
        << ini.ReadString(s, "IPAddress", "");
    const int bias = ini.ReadInteger(s, "Timezone", d.zoneBias);
    row << zoneTextOf(d, bias) << QString::number(bias) << ini.ReadString(s, "Daylight", flag(d.daylight))
        << ini.ReadString(s, "LastUpdate", "38353") << ini.ReadString(s, "AddrMask", "255.255.255.0")
        << ini.ReadString(s, "LoginName", "kqv")
        << UnscramblePassword(ini.ReadString(s, "LoginPass", ScramblePassword("kqv")));
    for (int k = 0; k < 12; ++k)
        row << ini.ReadString(s, HourKeys[k], NewerHourDefaults[k]);
    return row;
}

QStringList ReadOlderRow(const IniFile& ini, int i, const RowDefaults& d)
{
    const QString s = QStringLiteral("Stations");
    auto key = [i](const char* name) { return QLatin1String(name) + QString::number(i); };
    QStringList row;
    row.reserve(23);
    row << ini.ReadString(s, key("Region"), "999") << ini.ReadString(s, key("Number"), "0")
        << ini.ReadString(s, key("Name"), "0") << ini.ReadString("IO", "IPAddress", "127.0.0.1");
    const int bias = ini.ReadInteger(s, key("Timezone"), d.zoneBias);
    row << zoneTextOf(d, bias) << QString::number(bias) << ini.ReadString(s, key("Daylight"), flag(d.daylight))
        << ini.ReadString(s, key("LastUpdate"), "36161") << ini.ReadString("IO", "SubnetMask", "255.255.255.0")
        << ini.ReadString("IO", "FtpUsername", "kqv") << ini.ReadString("IO", "FtpPassword", "kqv");
    for (int k = 0; k < 12; ++k)
        row << ini.ReadString(s, key(HourKeys[k]), OlderHourDefaults[k]);
    return row;
}

void WriteNewerRow(IniFile& ini, int i, const QStringList& row)
{
    const QString s = QStringLiteral("Station%1").arg(i);
    auto col = [&row](int c) { return c < row.size() ? row[c] : QString(); };
    ini.WriteString(s, "Region", col(0));
    ini.WriteString(s, "Number", col(1));
    ini.WriteString(s, "Name", col(2));
    ini.WriteString(s, "IPAddress", col(3));
    ini.WriteString(s, "Timezone", col(5));
    ini.WriteString(s, "Daylight", col(6));
    ini.WriteString(s, "LastUpdate", col(7));
    ini.WriteString(s, "AddrMask", col(8));
    ini.WriteString(s, "LoginName", col(9));
    ini.WriteString(s, "LoginPass", ScramblePassword(col(10)));
    for (int k = 0; k < 12; ++k)
        ini.WriteString(s, HourKeys[k], col(11 + k));
}

}  // namespace stationlistfile
