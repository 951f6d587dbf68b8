#pragma once

// The library's components all report this version; writes to it are ignored.
inline constexpr const char* ApdComponentVersion = "v4.06";
