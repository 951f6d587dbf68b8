#pragma once

// Days since 30 December 1899, the fraction being the time of day.
using TDateTime = double;

// 1 January 1970 as a TDateTime.
inline constexpr double UnixEpochDays = 25569.0;
