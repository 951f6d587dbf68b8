#pragma once
#include <QString>

// Where a fetched device file goes in the data tree; no window here.

// Removes what a download ended midway (a killed program) leaves in the data folder's root:
// the hour files not yet placed ("20071123-130000-nnn.dbb") and their ".part" files.
void RemoveStaleDownloadFiles(const QString& dataDir);

enum class TStoreResult {
    Stored,    // temp is now target
    Existing,  // target stays as it was; temp is deleted
    Failed,    // nothing is stored, temp is deleted; the error names path and reason
};

// Moves a downloaded hour file that holds together (temp) to target, creating its month
// folder. An existing target stays unless overwrite is set, or it holds less than a full
// hour (the hour the device was still writing when it was fetched) and temp holds more.
TStoreResult StoreHourFile(const QString& temp, const QString& target, bool overwrite, QString& error);
