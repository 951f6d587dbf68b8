#pragma once
#include <QString>
#include <cstdint>

#include "comms/core/errorcodes.h"

// The lookup of the error codes' messages. The lookups read constant tables only and may run on
// any thread.

// The table's message for Code (by magnitude, 16-bit), or empty; at most 255 characters.
QString MessageNumberToString(int16_t Code);
// The message of Code: the table's, else the operating system's text with line breaks and
// double blanks taken out, else empty.
QString LnkrLoadStr(int16_t Code);
inline QString ErrorMsg(int16_t Code) { return LnkrLoadStr(Code); }
// LnkrLoadStr into Dest (at least 256 bytes), zero-terminated; returns Dest.
char* LnkrLoadZ(char* Dest, int16_t Code);

// The operating system's own message for an error number, before cleaning; empty when it has
// none. Here the texts of the Windows error numbers that the library can report.
QString SystemErrorText(int Code);
