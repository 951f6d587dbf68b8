#include "platform/gui/ipaddrtable.h"

#include <QStringList>
#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>

namespace platform {

std::optional<std::vector<IpAddrRow>> ReadIpAddrTable()
{
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return std::nullopt;
    std::vector<IpAddrRow> rows;
    for (const ifaddrs* it = list; it; it = it->ifa_next) {
        if (!it->ifa_addr || it->ifa_addr->sa_family != AF_INET)
            continue;
        IpAddrRow row;
        row.Address = ntohl(reinterpret_cast<const sockaddr_in*>(it->ifa_addr)->sin_addr.s_addr);
        if (it->ifa_netmask)
            row.Mask = ntohl(reinterpret_cast<const sockaddr_in*>(it->ifa_netmask)->sin_addr.s_addr);
        rows.push_back(row);
    }
    freeifaddrs(list);
    return rows;
}

}  // namespace platform
