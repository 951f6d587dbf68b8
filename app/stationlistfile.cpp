#include "app/stationlistfile.h"

#include "app/data/scramblepassword.h"
#include "platform/inifile.h"

namespace stationlistfile {

namespace {
const char* const HourKeys[12] = {"WDNightLow", "WDNightHigh", "WDDay1Low", "WDDay1High", "WDDay2Low", "WDDay2High",
    "SDNightLow", "SDNightHigh", "SDDay1Low", "SDDay1High", "SDDay2Low", "SDDay2High"};
const char* const NewerHourDefaults[12] = {"22", "6", "6", "18", "0", "0", "22", "6", "6", "18", "0", "0"};
const char* const OlderHourDefaults[12] = {"22", "6", "6", "20", "0", "0", "22", "6", "6", "20", "0", "0"};

QString flag(bool b) { return b ? QStringLiteral("1") : QStringLiteral("0"); }
QString zoneTextOf(const RowDefaults& d, int bias) { return d.zoneText ? d.zoneText(bias) : QString(); }
}  // namespace

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
