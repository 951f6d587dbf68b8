#pragma once
#include <cstdint>

// The graph's colour and rectangle, without the painter: the arithmetic uses these alone.

// Colour as the graph code writes it: 0x00BBGGRR.
using TColor = uint32_t;

// Rectangle with exclusive right and bottom edges.
struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool operator==(const TRect&) const = default;
};
