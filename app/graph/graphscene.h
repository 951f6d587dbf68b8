#pragma once
#include <QString>
#include <cstdint>
#include <span>

#include "data/daymodel.h"

// What the grid and curve routines read: the view, the day's data and the
// drawing mode. The main window fills it from its own state for each drawing.
struct TGraphScene {
    using TLeqFunction = double (*)(const uint16_t* samples, int count);

    int ZoomLevel = 0;
    int ViewHour = 0;
    int ViewMinute = 0;
    bool DayHasData = false;
    bool Printing = false;
    int ScrollPosition = 0;   // screen only: the drawing moves left by it
    int PixelsPerDb = 1;
    const int32_t* HourRanges = nullptr;  // the day's five hour pairs (from, to)
    QString ZoneSuffix;                   // appended to the time caption
    std::span<const uint16_t> SampleBuffer;  // 25 hours of samples
    std::span<const double> MinuteLevels;    // 1440 minute levels
    const TRepeatedHour* RepeatedHour = nullptr;  // counts in the whole day's Leq3
    bool Average = false;                    // the average curves are on
    TLeqFunction Leq = nullptr;
};
