#pragma once
#include <QString>
#include <initializer_list>

// Local paths are built with '/' through these helpers; '\' is an ordinary file-name
// character on this system and only device (FTP) paths use it as a separator.

inline constexpr QChar LocalPathDelim = u'/';

// Joins parts with exactly one '/' between them; empty parts are left out.
QString JoinLocalPath(std::initializer_list<QString> parts);

// The file-name part of a local or device path: the text after the last '/', '\' or ':'.
QString FileNamePart(const QString& path);

// A name from outside (device listing, FILE chunk, reply, typed text) that may become one
// path component: not empty, not "." or "..", no '/', '\', ':', NUL or control character.
bool IsSafeFileName(const QString& name);

// True when path, made absolute and cleaned, lies inside the folder root (not root itself).
bool IsInsideDir(const QString& root, const QString& path);
