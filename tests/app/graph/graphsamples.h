#pragma once
// Values the graph tests share: a measurement word, a day's night/day ranges and the band colours.

#include <QColor>

#include <cstdint>

// A level word as the device stores it: whole dB in the high byte, 1/64 dB above the flag bits.
inline uint16_t Word(int db, int sixtyFourths, uint16_t flags = 0)
{
    return uint16_t((db << 8) | (sixtyFourths << 2) | flags);
}

// The four time ranges of a station whose night starts at 22 o'clock, unused pairs -1.
inline const int32_t Ranges22[10] = {22, 24, 0, 6, 6, 7, 20, 22, -1, -1};

inline const QColor Night(136, 248, 248), Edge(200, 248, 248), White(255, 255, 255);
