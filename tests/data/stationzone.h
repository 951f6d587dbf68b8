#pragma once
#include "data/stationsettings.h"

// Sets the zone of CurrentStation for the lifetime of the object.
class ScopedStationZone {
public:
    ScopedStationZone(int bias, bool daylight) : m_saved(CurrentStation)
    {
        CurrentStation.ZoneBias = bias;
        CurrentStation.Daylight = daylight;
    }
    ~ScopedStationZone() { CurrentStation = m_saved; }
    ScopedStationZone(const ScopedStationZone&) = delete;
    ScopedStationZone& operator=(const ScopedStationZone&) = delete;

private:
    TStationSettings m_saved;
};
