#pragma once
#include <QString>

// What the day loader needs from the window that shows the day. The defaults describe a
// host that is always offline and shows no progress (tests, the CSV export's loads).
//
// Online mode: the device's hour files are listed into the window's RemoteFileList and
// fetched one at a time by FTP. The FTP command layer provides these four; the loader
// decides what to list and fetch.
class TDayLoaderHost {
public:
    virtual ~TDayLoaderHost() = default;

    // Read at every hour-file lookup: a failed transfer may leave online mode mid-load.
    virtual bool OnlineMode() const { return false; }
    // Above 100: the source line again; otherwise the reading text with the percentage.
    virtual void ShowProgress(int percent) {}
    // True once the window is closing (close box, SIGTERM): the load stops and shows no box.
    virtual bool Closing() const { return false; }

    virtual bool RemoteFileListEmpty() const { return true; }
    // Appends the names a device listing of mask gives (e.g. "DATA\DBB\2007\11\*.DBB").
    virtual void FtpListDir(const QString& remoteMask) {}
    // The listed spelling of name (case-insensitive lookup), empty when it is not listed.
    virtual QString FindRemoteFile(const QString& name) const { return QString(); }
    // Fetches remote to local (replacing it); on failure deletes local, leaves online mode
    // and tells the user unless the file was just missing (550), and returns false.
    virtual bool FtpGetFile(const QString& remote, const QString& local) { return false; }
};
