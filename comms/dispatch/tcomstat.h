#pragma once
#include <cstdint>

// Device status: error-state flags and the bytes waiting in each direction.
struct TComStat {
    uint32_t Flags = 0;
    uint32_t cbInQue = 0;
    uint32_t cbOutQue = 0;
};
