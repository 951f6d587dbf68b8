#pragma once
#include <QString>
#include <QStringList>
#include <cstdint>

#include "data/tdatetime.h"

// Listings and scans of the local data tree, file size and block copy.

// Appends folder + name for every entry (files and folders, hidden ones included, not "."
// and "..") that matches the mask's last component, e.g. "<folder>/*.dbb"; "*.*" matches
// every entry. Entries come sorted case-insensitively. Returns the list's count.
int ListDirectory(QStringList& list, const QString& mask);

// Appends the dated hour files of one station under folder (a station folder holding
// yyyy/mm/ folders) whose hour reaches into [start, end] (local times): those starting
// from start - 59 minutes to end. The month folders are chosen by UTC. Returns the count.
int CollectLocalDbbFiles(QStringList& list, const QString& folder, int station, TDateTime start,
                         TDateTime end);

// Number of hour files of list (sorted by the time in their names; hex device names when
// hexNames, else dated names of station) whose hour reaches into [start, end].
int CountFilesInRange(const QStringList& list, bool hexNames, int station, TDateTime start,
                      TDateTime end);

// Size in bytes; 0 when the file cannot be opened.
int64_t FileSizeOf(const QString& path);

// Copies source to target, creating the target's missing folders. The target is written
// under a temporary name and replaced only when the copy is complete; a file is never
// copied onto itself. False on any failure, the target then as it was.
bool CopyFileBlocks(const QString& source, const QString& target);

// The UTC year and month (1..12) of a station's local date and time: the month folder that
// holds the hour file starting then.
struct UtcMonth {
    int year;
    int month;  // 1..12
};
UtcMonth UtcMonthOfLocal(TDateTime local);
