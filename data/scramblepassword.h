#pragma once
#include <QString>

// The stored form of an FTP password: every character from '0' (48) to '{' (123) is replaced
// through a fixed table that permutes exactly these characters; all others stay. Unscramble
// is its inverse, so every text round-trips.
QString ScramblePassword(const QString& text);
QString UnscramblePassword(const QString& text);
