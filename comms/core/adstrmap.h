#pragma once
#include <cstddef>
#include <cstdint>

// The library's code/message table: one English text per code, kept in ascending order of the
// code's magnitude so that a code and its negation find the same row. Read-only; any thread.

struct TAdStrMapEntry {
    int32_t Code;
    const char* Msg;  // empty: the operating system's text is used instead
};

// The table and its size.
const TAdStrMapEntry* AdStrMapTable();
std::size_t AdStrMapCount();
