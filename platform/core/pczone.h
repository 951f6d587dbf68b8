#pragma once

namespace platform {

// The PC's zone as the C library has it after tzset(): seconds west of UTC and whether the
// zone has summer time. TZ is not changed, so Qt's local time stays the PC's.
struct PcZone {
    int secondsWest = 0;
    int daylight = 0;
};
PcZone ReadPcZone();

}  // namespace platform
