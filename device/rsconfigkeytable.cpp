#include "device/rsconfigkeytable.h"

#include <array>

#include "data/numbertext.h"

namespace rsconfig {

namespace {

using C = Conversion;
using P = Page;
constexpr ModemPanel NoPanel = ModemPanel::None;
constexpr AfterRead Go = AfterRead::Nothing;

constexpr KeyEntry Keys[] = {
    {"station.station", "station.station", "edStationsnr", P::Station, C::Text, 0, false, NoPanel, Go},
    {"station.region", "station.region", "edRegionsnr", P::Station, C::Text, 0, false, NoPanel, Go},
    {"station.checksum", "station.checksum", "edChecksum", P::Station, C::Text, 0, false, NoPanel, Go},
    {"ftpclient.host", "ftpclient.host", "edServer", P::Station, C::Text, 0, false, NoPanel, Go},
    {"ftpclient.dir", "ftpclient.dir", "edPath", P::Station, C::Text, 0, false, NoPanel, Go},
    {"ftpclient.user", "ftpclient.user", "edUser", P::Station, C::Text, 0, false, NoPanel, Go},
    {"ftpclient.password", "ftpclient.password", "edPassword", P::Station, C::Text, 0, false, NoPanel, Go},
    {"ip.dhcp", "ip.dhcp", "cbxDHCP", P::Internet, C::Index, 0, false, NoPanel, Go},
    {"ip.address", "ip.address", "edIPAddress", P::Internet, C::Text, 0, false, NoPanel, Go},
    {"ip.netmask", "ip.netmask", "edSubnet", P::Internet, C::Text, 0, false, NoPanel, Go},
    {"ip.gateway", "ip.gateway", "edGateway", P::Internet, C::Text, 0, false, NoPanel, Go},
    {"ip.dns1", "ip.dns1", "edDNS1", P::Internet, C::Text, 0, false, NoPanel, Go},
    {"ip.dns2", "ip.dns2", "edDNS2", P::Internet, C::Text, 0, false, NoPanel, AfterRead::DhcpRule},
    {"ppp.use", "ppp.use", "cbxModem", P::Internet, C::Index, 1, false, NoPanel, Go},
    {"ppp.modem", nullptr, "", P::Internet, C::ModemType, 0, false, NoPanel, Go},
    {"ppp.protokoll", "ppp.protokoll", "cbxProtokoll", P::Internet, C::Protokoll, 2, false, ModemPanel::Isdn, Go},
    {"ppp.msn", "ppp.msn", "edEigNr", P::Internet, C::Text, 0, false, ModemPanel::Isdn, Go},
    {"ppp.usepulse", "ppp.usepulse", "cbxWahl", P::Internet, C::Index, 0, false, ModemPanel::Analog, Go},
    {"ppp.amt", "ppp.amt", "edAmt", P::Internet, C::Text, 0, false, ModemPanel::Analog, Go},
    {"ppp.number", "ppp.number", "edTelProv", P::Internet, C::Text, 0, false, NoPanel, Go},
    {"ppp.user", "ppp.user", "edUserProv", P::Internet, C::Text, 0, false, NoPanel, Go},
    {"ppp.password", "ppp.password", "edPassProv", P::Internet, C::Text, 0, false, NoPanel, Go},
    // The device is asked with a capital U and written with a small one.
    {"ppp.Usetime", "ppp.usetime", "cbxWahlArt", P::Transfer, C::Index, 1, false, NoPanel, Go},
    {"ppp.time1", "ppp.time1", "edWahlZt1", P::Transfer, C::Text, 0, false, NoPanel, Go},
    {"ppp.time2", "ppp.time2", "edWahlZt2", P::Transfer, C::Text, 0, false, NoPanel, Go},
    {"ppp.time3", "ppp.time3", "edWahlZt3", P::Transfer, C::Text, 0, false, NoPanel, AfterRead::ModemAndDialRules},
    {"time.offset", "time.offset", "edTimezone", P::Time, C::ZoneOffset, 0, false, NoPanel, Go},
    {"time.server1", "time.server1", "edTimeServ1", P::Time, C::Text, 0, true, NoPanel, Go},
    {"time.server2", "time.server2", "edTimeServ2", P::Time, C::Text, 0, true, NoPanel, Go},
    {"web.sec_user0", "web.sec_user0", "edWebUser", P::Web, C::Text, 0, false, NoPanel, Go},
    {"web.sec_password0", "web.sec_password0", "edWebPassw", P::Web, C::Text, 0, false, NoPanel, Go},
    {"ftp.user0", "ftp.user0", "edUser0", P::Web, C::Text, 0, false, NoPanel, Go},
    {"ftp.password0", "ftp.password0", "edPassw0", P::Web, C::Text, 0, false, NoPanel, Go},
    {"update.dont", "update.dont", "cbxUpdtDo", P::Service, C::Index, 0, true, NoPanel, Go},
    {"update.host", "update.host", "edUpdtHost", P::Service, C::Text, 0, true, NoPanel, Go},
    {"update.user", "update.user", "edUpdtUser", P::Service, C::Text, 0, true, NoPanel, Go},
    {"update.password", "update.password", "edUpdtPassw", P::Service, C::Text, 0, true, NoPanel, Go},
    {"update.dir", "update.dir", "edUpdtDir", P::Service, C::Text, 0, true, NoPanel, Go},
    {"info.crc", nullptr, "edSWChecksum", P::Info, C::Text, 0, true, NoPanel, Go},
    {"info.hw", nullptr, "edHWVersion", P::Info, C::Text, 0, false, NoPanel, Go},
    {"info.sw", nullptr, "edSWVersion", P::Info, C::Text, 0, false, NoPanel, Go},
    {"info.serial", nullptr, "edSerial", P::Info, C::Text, 0, false, NoPanel, Go},
    {"display.contrast", "display.contrast", "tbContrast", P::Display, C::Contrast, 40, false, NoPanel, Go},
    {"display.language", "display.language", "rgpLanguage", P::Display, C::Index, 0, false, NoPanel, Go},
    {"display.led", "display.led", "chbLight", P::Display, C::Led, 0, false, NoPanel, Go},
};

constexpr const char* WriteKeys[] = {
    "station.station", "station.region", "station.checksum", "ftpclient.host", "ftpclient.dir",
    "ftpclient.user", "ftpclient.password", "ip.dhcp", "ip.address", "ip.netmask", "ip.gateway",
    "ip.dns1", "ip.dns2", "ppp.use", "ppp.usepulse", "ppp.protokoll", "ppp.msn", "ppp.amt",
    "ppp.number", "ppp.user", "ppp.password", "ppp.usetime", "ppp.time1", "ppp.time2",
    "ppp.time3", "time.offset", "time.server1", "time.server2", "ftp.user0", "ftp.password0",
    "web.sec_user0", "web.sec_password0", "update.dont", "update.host", "update.user",
    "update.password", "update.dir", "display.contrast", "display.language", "display.led",
};

constexpr bool SameText(const char* a, const char* b)
{
    while (*a && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b;
}

// Every written key has exactly one writable entry in the table.
constexpr bool WriteOrderMatchesTable()
{
    int writable = 0;
    for (const KeyEntry& e : Keys)
        if (e.writeKey)
            ++writable;
    if (writable != int(std::size(WriteKeys)))
        return false;
    for (const char* w : WriteKeys) {
        int found = 0;
        for (const KeyEntry& e : Keys)
            if (e.writeKey && SameText(e.writeKey, w))
                ++found;
        if (found != 1)
            return false;
    }
    return true;
}
static_assert(WriteOrderMatchesTable());

bool IsDigit(QChar c) { return c >= u'0' && c <= u'9'; }

constexpr char16_t Backspace = 8;
constexpr char16_t CtrlV = 22;

}  // namespace

std::span<const KeyEntry> KeyTable() { return Keys; }
std::span<const char* const> WriteOrder() { return WriteKeys; }

const KeyEntry* FindKey(const QString& key)
{
    for (const KeyEntry& e : Keys)
        if (key == QLatin1String(e.readKey) || (e.writeKey && key == QLatin1String(e.writeKey)))
            return &e;
    return nullptr;
}

QString ClosingCommand(bool serviceMode) { return serviceMode ? "reboot" : "reload"; }

int IndexFromValue(const QString& value, int defaultIndex) { return StrToIntDef(value, defaultIndex); }
QString ValueFromIndex(int index) { return QString::number(index); }

int ProtokollIndexFromValue(const QString& value) { return StrToIntDef(value, 3) - 1; }
QString ValueFromProtokollIndex(int index) { return QString::number(index + 1); }

int ContrastFromValue(const QString& value) { return StrToIntDef(value, 40); }

bool LedFromValue(const QString& value) { return StrToIntDef(value, 0) == 1; }
QString ValueFromLed(bool ticked) { return ticked ? "1" : "0"; }

ModemPanel PanelFromModemType(const QString& value)
{
    const QString type = value.toUpper();
    if (type == "ISDN")
        return ModemPanel::Isdn;
    if (type == "MODEM")
        return ModemPanel::Analog;
    return ModemPanel::None;
}

bool IsIpAddressText(const QString& text)
{
    QString rest = text;
    QString parts[4];
    for (int i = 0; i < 3; ++i) {
        const qsizetype dot = rest.indexOf(u'.');
        if (dot < 0) {
            parts[i] = rest;
            rest.clear();
            continue;
        }
        parts[i] = rest.left(dot);
        rest = rest.mid(dot + 1);
    }
    parts[3] = rest;
    for (const QString& part : parts)
        if (!IsByteString(part))
            return false;
    return true;
}

bool IsTimeText(const QString& text)
{
    const qsizetype colon = text.indexOf(u':');
    const int h = StrToIntDef(colon < 0 ? QString() : text.left(colon), 0);
    const int m = StrToIntDef(text.mid(colon + 1), 0);
    return (h >= 0 && h <= 23 && m >= 0 && m <= 59) || (h == 24 && m == 0);
}

bool IntegerKeyAccepted(QChar c) { return IsDigit(c) || c == Backspace || c == CtrlV; }
bool IpAddressKeyAccepted(QChar c) { return IsDigit(c) || c == u'.' || c == Backspace; }
bool TimeKeyAccepted(QChar c) { return IsDigit(c) || c == u':' || c == Backspace; }

bool HexKeyAccepted(QChar c)
{
    return IsDigit(c) || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f') || c == Backspace;
}

}  // namespace rsconfig
