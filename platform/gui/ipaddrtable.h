#pragma once
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/core/inetaddr.h"

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

}  // namespace platform
