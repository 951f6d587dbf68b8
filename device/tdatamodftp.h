#pragma once
#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>

#include "data/tdatetime.h"
#include "comms/ftp/ftpprotocol.h"

class QWidget;
class TApdFtpClient;
class TApdFtpLog;
class TTagTimer;

// Result of the last remote operation (the watchdog's Tag). Other values are the client's
// error codes: an FTP reply code (202, or 300 and above) or a socket error of the data
// connection.
enum FtpResultCode : int {
    frNone = 0,              // running, or no failure
    frConnectTimeout = -1,
    frFileNotAvailable = 550,
    frTimeout = 99,
    frAborted = 88,          // the user aborted
    frLocalFolder = 97,      // the local folder or file of a download cannot be written
    frNotLoggedIn = 98,
    frConnectionLost = 96,   // the device closed the control connection (or answered 421)
    frTooLarge = 95,         // the file grew beyond the bound its caller gave
    frSizeMismatch = 94,     // a stored file's size on the device is not the local file's
};

// Upper sizes of what is fetched: generous for what a device writes (an hour file holds about
// 12 KB, an average file less, a log some MB). A larger file is stopped as failed.
inline constexpr qint64 FtpMaxHourFileBytes = 256 * 1024;
inline constexpr qint64 FtpMaxAverageFileBytes = 1024 * 1024;
inline constexpr qint64 FtpMaxLogFileBytes = 16 * 1024 * 1024;
// Entries of one listing: a month folder holds a file an hour (744); a listing of more than
// years of hourly files is no device's and is refused whole.
inline constexpr int FtpMaxListingEntries = 50000;

// What an operation of the command layer waits for, named after the event that answers it
// (scLogin, scComplete, scDataAvail, scTransferOK); the answer sets Nothing.
enum class FtpAwaiting : uint8_t { Nothing, Login, Complete, DataAvail, TransferOk };

// The synchronous FTP command layer over the event-driven FTP client. Each operation sends one
// request and runs the event loop until a handler reports the answer or the watchdog its code;
// paint, timers and the abort run inside these waits, other user input is refused
// (platform/gui/eventwait.h).
//
// Operations return success; the reason of a failure stays in FtpResult() and is sticky: a
// log-in, a listing or FtpSetTimeouts clears it; every other operation fails at once while it
// is set, without sending its request (its answer would come during a later wait and be taken
// as that one's). While any wait runs, or once the program is closing, an operation fails at
// once without touching the connection or the result code; only FtpAbort and FtpLogout, which
// end what runs, go ahead.
// A failed log-in always says MsgFtpLoginFailed; while failures are shown (ShowsFailures), its
// cause comes first: the server's text, the socket error's, or the time-out.
// Remote paths use '\' as the devices do, local paths '/'.
// It logs through OnLogLine and OnProgressLine; unset, nothing is logged. Failures other than
// the log-in's are told by a message only while ShowsFailures says so.
// GUI thread only.
class TDataModFtp : public QObject {
    Q_OBJECT
public:
    explicit TDataModFtp(QWidget* owner = nullptr);
    ~TDataModFtp() override;

    TApdFtpClient* ApdFtpClient = nullptr;
    TApdFtpLog* ApdFtpLog = nullptr;
    TTagTimer* Timer = nullptr;  // the watchdog; its Tag is FtpResult

    std::function<void(const QString&)> OnLogLine;       // a line of the FTP log
    std::function<void(const QString&)> OnProgressLine;  // replaces the last line while data flows
    std::function<bool()> ShowsFailures;  // failures are told by a message (the window is shown)

    // Seconds a listing may go without its answer.
    int ListingWaitSeconds = 30;

    int FtpResult() const;
    bool UserAborted() const { return m_userAborted; }
    // The last listing gave no names because it failed: time-out, too long, unreadable, or
    // the connection went. Its reason has been told; the connection is idle or closed.
    bool ListingFailed() const { return m_listingFailed; }
    // Its reason where no message has told it yet (the transfer window was not shown).
    QString ListingFailure() const { return m_listingFailure; }
    // After frLocalFolder: the local path and the system's reason.
    QString LocalFailure() const { return m_localFailure; }
    // What the last failure was, as the messages of a visible transfer window say it; empty
    // when nothing failed.
    QString FailureText() const;
    bool LoggedIn() const;

    bool FtpConnect(const QString& address, const QString& user, const QString& password);
    bool FtpLogin();
    // With wait, also until the connection is closed. The server gets at most QuickLogoutMs to
    // answer QUIT without wait, while the program closes, after a time-out and before a
    // log-in; else the client's full bound.
    void FtpLogout(bool wait);
    static constexpr int QuickLogoutMs = 750;
    bool FtpChangeDir(const QString& dir);
    // Appends the names of a names-only listing of mask; returns how many were added. A
    // listing that cannot be read is told as such (MsgListingUnreadable) and adds nothing.
    int FtpListDir(QStringList& list, const QString& mask);
    bool FtpRemoteExists(const QString& path);
    bool FtpMakeDir(const QString& dir);
    // The local file is written under a temporary name and replaces local only when the
    // transfer is complete; on failure or abort local is as it was and nothing else remains.
    // A file growing beyond maxBytes is stopped (frTooLarge).
    bool FtpRetrieve(const QString& remoteName, const QString& localName, qint64 maxBytes = FtpMaxLogFileBytes);
    // Complete only when the device took every byte of the local file: the data connection's
    // count and, where the device answers SIZE, its size agree (else frSizeMismatch). A store
    // that fails or is aborted after the device began the file deletes it again (DELE, at most
    // CutFileDeleteMs); where that cannot be done, CutFileLeft() names it until the next store.
    bool FtpStore(const QString& remoteName, const QString& localName);
    static constexpr int CutFileDeleteMs = 1500;
    QString CutFileLeft() const { return m_cutLeft; }
    // Stops what runs; an upload's cut file is deleted before this returns.
    bool FtpAbort();
    // The device files of root ("DBB" or "WWW") whose time lies in [start - 59 min, end].
    bool FtpCollectFiles(QStringList& list, const QString& root, TDateTime start, TDateTime end);

    void FtpSetTimeouts(int seconds);
    void FtpStartWait();

private:
    void SetFtpResult(int code);
    void SetAwaiting(FtpAwaiting awaiting);
    // The awaited event has come: the operation's answer is there.
    bool Answered() const { return m_awaiting == FtpAwaiting::Nothing; }
    void Answer(FtpAwaiting event);
    // Another wait runs or the program is closing: the operation must not start.
    static bool Refused();
    // A failure code is still set (cleared only by a log-in or a listing).
    bool StickyFailure() const;
    // Runs events until done(), a result code is set or the connection has closed; then the
    // watchdog is off.
    void Wait(const std::function<bool()>& done);
    // A wait that ended on a failure while the client still moves data: its data connection
    // is closed and the server told, so nothing runs on unseen; what the stop reports is no
    // second failure.
    void EndFailedTransfer();
    void ConnectionLost();
    // The connection closed, or never opened, before the log-in was through.
    void LoginFailed(const QString& cause);
    void ShowFailure(const QString& text);
    void FileTooLarge();
    void NoteLocalFailure(const QString& path, const QString& reason);
    void Log(const QString& line);
    bool FailuresShown() const;
    // The device's SIZE of a file, -1 when it does not tell.
    qint64 RemoteSize(const QString& name);
    // Deletes the file of the store that failed when the device had begun it.
    void RemoveCutFile();

    void ApdFtpClientFtpStatus(TFtpStatusCode code, const char* text);
    void ApdFtpClientFtpError(int32_t code, const char* text);
    void ApdFtpClientFtpReply(int32_t code, const char* text);
    void TimerTimer();

    FtpAwaiting m_awaiting = FtpAwaiting::Nothing;
    bool m_logoutRequested = false;  // our own log-out: its closing is no lost connection
    int m_socketError = 0;           // the first socket error of the control connection
    // The user stopped the session's work; unlike a wait it holds until the next log-in, so a
    // collection of listings stops too.
    bool m_userAborted = false;
    QString m_listingText;
    bool m_listingFailed = false;
    QString m_listingFailure;
    bool m_quietStop = false;  // EndFailedTransfer runs: the client's reports of it are no failure
    bool m_stopReported = false;
    QString m_closingReply;  // a 421 of the device, naming why it closes
    QString m_localFailure;
    QString m_errorText;     // the device's text of the last error reply
    QString m_retrieving;    // the remote file of the running retrieve
    qint64 m_maxBytes = -1;  // its bound, -1 when none runs
    qint64 m_retrieveBound = -1;
    QString m_storing;  // the remote file of the last store
    bool m_storeRunning = false;
    bool m_storeBegun = false;  // the device has answered its STOR with 1xx
    QString m_cutLeft;
    bool m_quiet = false;  // a check or clean-up of our own: its errors are not shown
    bool m_aborting = false;
};

extern TDataModFtp* DataModFtp;
