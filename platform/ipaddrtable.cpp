#include "platform/ipaddrtable.h"

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

QString InetNtoa(uint32_t a)
{
    return QStringLiteral("%1.%2.%3.%4").arg(a >> 24).arg((a >> 16) & 0xFF).arg((a >> 8) & 0xFF).arg(a & 0xFF);
}

bool ParseDottedIPv4(const QString& text, uint32_t* address)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return false;
    uint32_t value = 0;
    for (const QString& p : parts) {
        if (p.isEmpty() || p.size() > 3)
            return false;
        for (QChar c : p)
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return false;
        const int n = p.toInt();
        if (n > 255)
            return false;
        value = (value << 8) | uint32_t(n);
    }
    if (address)
        *address = value;
    return true;
}

}  // namespace platform
