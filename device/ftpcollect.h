#pragma once
#include <QString>
#include <QStringList>
#include <functional>

#include "data/tdatetime.h"

// The device's FTP tree read through listings: parsing a names-only listing and choosing
// the files of a time window. No connection here; the caller hands in the lister.

// Appends the names of a listing except "." and "..": one a line, lines ended by CR LF, LF
// or CR (a last line without one counts too); lines in the MS-DOS or ls -l form give the
// name at their end, and a "total" line is no name. False, and nothing appended, when the
// listing cannot be read: a control character in a line, or a line that begins like a long
// listing's but is none.
bool FtpParseListing(QStringList& list, const QString& text);

// Lists a device mask (e.g. "DBB\2007\*.*") appending the names; returns how many it added.
using FtpLister = std::function<int(QStringList& list, const QString& mask)>;

// Appends the files of root ("DBB" or "WWW") whose name time lies in [start - 59 minutes, end]
// (local times of the current station), as "DBB\2007\10\4A8B1C2D.dbb" or "DBB\4A8B1C2D.dbb".
// Year and month folders are chosen by UTC. Names that are not plain file names are left
// out, and so are year folder entries that are no month. Once aborted() says so, no further
// folder is listed. True when list is non-empty afterwards or aborted() says so.
bool FtpCollectFiles(QStringList& list, const QString& root, TDateTime start, TDateTime end,
                     const FtpLister& listDir, const std::function<bool()>& aborted);

// The local start of a collected device file by its root's naming rule (the date of an
// average file, the start of an hour file); 0.0 when the name carries no time.
TDateTime DeviceFileTime(const QString& root, const QString& name);
