#pragma once
#include <QString>
#include <cstdint>

// Hour bounds of one day type as the station list holds them: night low and high, then the
// two day ranges (low, high). Texts that are not integers take the defaults.
struct HourBounds {
    int NightLow = 22, NightHigh = 6, Day1Low = 6, Day1High = 18, Day2Low = 0, Day2High = 0;
};

// Bounds of six grid texts (station row columns 11..16 or 17..22), defaults for non-integers.
HourBounds HourBoundsOf(const QString texts[6]);

// Derives the five hour pairs (two night parts, morning, midday and evening edge) of one day
// type into ranges[10]. A pair with from = -1 is absent; elements not derived keep their
// previous values. Bounds are clamped to 0..24 first.
void DeriveHourRanges(HourBounds b, int32_t ranges[10]);

// Consistency of the twelve hour fields of the editor (weekday then Sunday, each in the order
// night low/high, day 1 low/high, day 2 low/high): 0 when consistent, else the number 1..8 of
// the first rule broken.
int CheckHourBounds(const QString texts[12]);
