#pragma once
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace platform {

// One row of the PC's IPv4 address table; both values in host byte order.
struct IpAddrRow {
    uint32_t Address = 0;
    uint32_t Mask = 0;
};

// The IPv4 address and mask of every interface that has one, loopback included, in the
// order the system lists them; nullopt when the table cannot be read.
std::optional<std::vector<IpAddrRow>> ReadIpAddrTable();

// The directed broadcast address of a row: every host bit set.
inline uint32_t BroadcastOf(const IpAddrRow& row) { return row.Address | ~row.Mask; }

// Dotted decimal text of a host-order address ("127.0.0.1").
QString InetNtoa(uint32_t address);

// True and the host-order address only for plain dotted decimal: four numbers 0..255.
bool ParseDottedIPv4(const QString& text, uint32_t* address = nullptr);

}  // namespace platform
