#pragma once
#include <QString>
#include <QStringList>

// Import of hour files from any folder into the local data tree.

// The hour files ("*.dbb", any letter case) below root, depth first: a folder's sub-folders
// before its own files, names sorted case-insensitively. Entries are relative to root and
// begin with '/' ("/2007/11/20071123-130000-005.dbb"). Symbolic links are not followed.
QStringList ScanDbbFiles(const QString& root);

// Where an hour file belongs in the data tree, by its own FILE chunk: "Reg002/Stat017/2007/
// 11/20071123-130000-017.dbb". Empty when the file has no usable FILE chunk, region or station
// lie outside 0..999, or the name in it is not yyyymmdd-hhmm00-sss.dbb of a valid time.
QString ImportTarget(const QString& source);

// Copies source to its ImportTarget below dataDir (atomically, never onto itself). Returns
// the target relative to dataDir, empty when the file was not copied.
QString ImportDbbFile(const QString& source, const QString& dataDir);
