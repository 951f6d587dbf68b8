#pragma once
#include <QByteArray>
#include <QString>

// Replacing a whole file so that it holds either all of the new bytes or, after any failure,
// its old bytes unchanged. The bytes go to a temporary file beside it ("<name>.<pid>~"); every
// write, the sync and the close are checked before it is renamed over the file, since a
// buffered write that fails on a full disk shows only at the end.
namespace platform {

enum class SaveFallback {
    None,
    // Where the folder takes no new file but the file itself is writable (a shared
    // installation), the file is overwritten in place: its room is reserved first, then the
    // whole content goes out in one write and is synced. Never used when a temporary file can
    // be made.
    InPlace,
};

// False on any failure, with reason set to the system's text for it.
bool SaveWholeFile(const QString& path, const QByteArray& bytes, QString* reason = nullptr,
                   SaveFallback fallback = SaveFallback::None);

// Removes the temporary files that saves of path by processes since ended (killed) left beside it.
void RemoveStaleSaveFiles(const QString& path);

}  // namespace platform
