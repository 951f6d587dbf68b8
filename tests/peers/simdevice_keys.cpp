#include "peers/simdevice.h"

namespace peers {

// The one place that lists the device's keys. Extend it here; the device loads it at start.
const std::vector<std::pair<std::string, std::string>>& SimDeviceDefaultKeys()
{
    static const std::vector<std::pair<std::string, std::string>> keys = {
        {"station.station", "17"},
        {"station.region", "012"},
        {"station.checksum", "4711"},
        {"ftpclient.host", "ftp.example.org"},
        {"ftpclient.dir", "upload"},
        {"ftpclient.user", "kqv"},
        {"ftpclient.password", "kqv"},
        {"ip.dhcp", "0"},
        {"ip.address", "192.168.1.20"},
        {"ip.netmask", "255.255.255.0"},
        {"ip.gateway", "192.168.1.1"},
        {"ip.dns1", "192.168.1.1"},
        {"ip.dns2", ""},
        {"ppp.use", "1"},
        {"ppp.modem", "modem"},
        {"ppp.protokoll", "2"},
        {"ppp.msn", "123456"},
        {"ppp.usepulse", "0"},
        {"ppp.amt", "0"},
        {"ppp.number", "0191011"},
        {"ppp.user", "provider"},
        {"ppp.password", "secret"},
        {"ppp.usetime", "1"},
        {"ppp.time1", "02:00"},
        {"ppp.time2", "10:00"},
        {"ppp.time3", "18:00"},
        {"time.offset", "3600"},
        {"time.server1", "ptbtime1.ptb.de"},
        {"time.server2", "ptbtime2.ptb.de"},
        {"web.sec_user0", "web"},
        {"web.sec_password0", "web"},
        {"ftp.user0", "kqv"},
        {"ftp.password0", "kqv"},
        {"update.dont", "0"},
        {"update.host", "update.example.org"},
        {"update.user", "update"},
        {"update.password", "update"},
        {"update.dir", "bin"},
        {"info.crc", "0xA5C3"},
        {"info.hw", "HW 2.1"},
        {"info.sw", "SW 4.06"},
        {"info.serial", "QW000815"},
        {"display.contrast", "40"},
        {"display.language", "0"},
        {"display.led", "1"},
    };
    return keys;
}

}  // namespace peers
