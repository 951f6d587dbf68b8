#pragma once
#include <QString>
#include <cstdint>

#include "data/runtimetexts.h"  // the text globals

namespace texts {
// A text as written in the sources, which are UTF-8.
inline QString u(const char* s) { return QString::fromUtf8(s); }
}  // namespace texts

// Makes every text global and both name arrays empty, and the texts of CurrentStation (its
// LastUpdate 0); at program start, before any window exists.
void InitLanguageTexts();
// Releases the same texts at program end.
void FreeLanguageTexts();

// The application title for a language: "Lärmwart" or "Noisewart".
QString ApplicationTitle(int language);

// The program's own version (major, minor, release, build); outputs stay as set by the
// caller when no version is known.
void GetFileVersion(uint16_t& major, uint16_t& minor, uint16_t& release, uint16_t& build);
// The version as "a" (mode 1), "a.b" (mode 2, or release and build both 0) or "a.b.c".
QString FileVersionString(int mode);
// The same rule on given parts.
QString FormatFileVersion(int mode, uint16_t major, uint16_t minor, uint16_t release, uint16_t build);
