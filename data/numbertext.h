#pragma once
#include <QString>

// The whole text as a decimal integer (optional sign, digits only, no blanks); def when it
// is no number or does not fit.
int StrToIntDef(const QString& text, int def);

// A region or station number: one to three digits, no sign, no blanks; -1 otherwise.
int ThreeDigitNumber(const QString& text);

// The text, trimmed of blanks and control characters, is an integer 0..255 (a part of an
// IP address or mask).
bool IsByteString(const QString& text);
