#include "device/tdatamodftp.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopedValueRollback>
#include <QWidget>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <utility>

#include "data/runtimetexts.h"
#include "comms/core/adstrmap.h"
#include "comms/core/errorcodes.h"
#include "comms/core/eapdexception.h"
#include "comms/ftp/tapdftplog.h"
#include "comms/ftp/tapdftpclient.h"
#include "device/ftpcollect.h"
#include "device/ttagtimer.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/eventwait.h"

TDataModFtp* DataModFtp = nullptr;

namespace {

// Ticks of 55 ms for a wait of s seconds.
int32_t TransferTicks(int seconds)
{
    return 182 * seconds / 10;
}

// Bound of the wait for a closed connection after the client's own bounded log-out.
constexpr int LogoutCloseMs = 10000;

QString TempNameOf(const QString& localName)
{
    return localName + QStringLiteral(".part");
}

// The log line of a listing: the service log shows its start, not megabytes of names.
constexpr int ListingLogChars = 1000;

// The error table's text of a code, or the code itself where the table has none.
QString CodeText(int code)
{
    const TAdStrMapEntry* table = AdStrMapTable();
    for (std::size_t i = 0; i < AdStrMapCount(); ++i)
        if (table[i].Code == code && table[i].Msg[0] != '\0')
            return QString::fromLatin1(table[i].Msg);
    return QString::number(code);
}

// Lines of a listing as the parse takes them, counted before any is copied.
qsizetype ListingLines(const QString& text)
{
    return text.count(u'\n') + (text.isEmpty() || text.endsWith(u'\n') ? 0 : 1);
}

}  // namespace

TDataModFtp::TDataModFtp(QWidget* owner) : QObject(owner)
{
    ApdFtpClient = new TApdFtpClient(this);
    ApdFtpClient->SetConnectTimeout(1092);
    ApdFtpClient->SetFileType(ftBinary);
    ApdFtpClient->SetPassiveMode(true);
    ApdFtpClient->SetTransferTimeout(1092);
    ApdFtpClient->SetUserName(QStringLiteral("kqv"));
    ApdFtpClient->SetPassword(QStringLiteral("kqv"));
    ApdFtpClient->SetLogName(QStringLiteral("LNKR.LOG"));
    ApdFtpClient->SetTraceName(QStringLiteral("LNKR.TRC"));
    ApdFtpClient->OnFtpStatus = [this](QObject*, TFtpStatusCode code, const char* text) {
        ApdFtpClientFtpStatus(code, text);
    };
    ApdFtpClient->OnFtpError = [this](QObject*, int32_t code, const char* text) { ApdFtpClientFtpError(code, text); };
    ApdFtpClient->OnFtpReply = [this](QObject*, int32_t code, const char* text) { ApdFtpClientFtpReply(code, text); };
    // A refused or unreachable device says so only here.
    ApdFtpClient->OnWsError = [this](QObject*, int code) {
        if (m_socketError == 0)
            m_socketError = code;
    };

    ApdFtpLog = new TApdFtpLog(this);
    ApdFtpLog->SetEnabled(false);
    ApdFtpLog->SetFtpHistoryName(QStringLiteral("LNKRFTP.HIS"));
    ApdFtpLog->SetFtpClient(ApdFtpClient);
    ApdFtpClient->SetFtpLog(ApdFtpLog);

    Timer = new TTagTimer(this);
    Timer->setObjectName(QStringLiteral("Timer"));
    Timer->setSingleShot(true);
    Timer->setInterval(9000);
    connect(Timer, &QTimer::timeout, this, [this] { TimerTimer(); });
}

TDataModFtp::~TDataModFtp()
{
    // Events of the client must not reach a module that is going.
    ApdFtpClient->OnFtpStatus = nullptr;
    ApdFtpClient->OnFtpError = nullptr;
    ApdFtpClient->OnFtpReply = nullptr;
    ApdFtpClient->OnWsError = nullptr;
}

// ---------------------------------------------------------------------------------------
// Shared steps

int TDataModFtp::FtpResult() const
{
    return Timer->Tag;
}

void TDataModFtp::SetFtpResult(int code)
{
    Timer->Tag = code;
}

void TDataModFtp::SetAwaiting(FtpAwaiting awaiting)
{
    m_awaiting = awaiting;
}

void TDataModFtp::Answer(FtpAwaiting event)
{
    if (m_awaiting == event)
        SetAwaiting(FtpAwaiting::Nothing);
}

bool TDataModFtp::LoggedIn() const
{
    return ApdFtpClient->LoggedIn();
}

void TDataModFtp::FtpSetTimeouts(int seconds)
{
    ApdFtpClient->SetTransferTimeout(TransferTicks(seconds));
    Timer->setInterval(seconds * 1000 + 100);
    SetFtpResult(frNone);
}

void TDataModFtp::FtpStartWait()
{
    if (FtpResult() != frNone)
        return;
    Log(QStringLiteral("Wait for answer..."));
    Timer->start();
}

bool TDataModFtp::Refused()
{
    return platform::Waiting() || platform::Closing();
}

bool TDataModFtp::StickyFailure() const
{
    // Its wait would end at once: the request is not sent, so no transfer runs on unseen.
    return FtpResult() != frNone;
}

void TDataModFtp::Wait(const std::function<bool()>& done)
{
    // The watchdog bounds every wait: a client whose own time-out only returns it to idle
    // reports nothing more.
    if (!Timer->isActive())
        FtpStartWait();
    // A closed connection answers nothing more.
    platform::WaitUntil([&] { return done() || FtpResult() != frNone || !ApdFtpClient->Connected(); });
    Timer->stop();
    if (FtpResult() != frNone && ApdFtpClient->InProgress())
        EndFailedTransfer();
    if (done() || FtpResult() != frNone || ApdFtpClient->Connected() || m_logoutRequested)
        return;
    if (m_awaiting == FtpAwaiting::Login)
        LoginFailed(QString());
    else
        ConnectionLost();
}

QString TDataModFtp::FailureText() const
{
    switch (FtpResult()) {
    case frNone:
        return QString();
    case frTimeout:
        return MsgFtpTimeout;
    case frConnectionLost:
        return m_closingReply.isEmpty() ? MsgTransferClosed : MsgFtpError + m_closingReply;
    case frTooLarge:
        return MsgFileTooLarge.arg(m_retrieveBound) + m_retrieving;
    case frSizeMismatch: return MsgFileIncomplete + m_storing;
    case frLocalFolder:
        return MsgFileNotStored + m_localFailure;
    case ecFtpTransferIncomplete: return MsgFileIncomplete + m_retrieving;
    default: return MsgFtpError + (m_errorText.isEmpty() ? CodeText(FtpResult()) : m_errorText);
    }
}

void TDataModFtp::EndFailedTransfer()
{
    m_quietStop = true;
    m_stopReported = false;
    // Also when the stop runs already (a file beyond its bound): the next request finds the
    // client idle.
    if (ApdFtpClient->Abort())
        Log(QStringLiteral("ABORT"));
    platform::WaitUntil(
        [this] { return (m_stopReported && !ApdFtpClient->InProgress()) || !ApdFtpClient->Connected(); },
        TApdCustomFtpClient::AbortReplyMs + 1000);
    m_quietStop = false;
}

void TDataModFtp::ConnectionLost()
{
    SetFtpResult(frConnectionLost);
    Log(QStringLiteral("Error: Connection closed"));
    ShowFailure(FailureText());
}

void TDataModFtp::LoginFailed(const QString& cause)
{
    if (FtpResult() != frNone)
        return;  // the server's error or the watchdog has said why
    if (cause.isEmpty() && m_socketError == 0 && ApdFtpClient->TransferAborted()) {
        // The client's own time-out closed the log-in: nothing came in time.
        SetFtpResult(frTimeout);
        Log(QStringLiteral("Error: Timeout"));
        ShowFailure(MsgFtpTimeout);
        return;
    }
    SetFtpResult(m_socketError != 0 ? m_socketError : frConnectionLost);
    Log(QStringLiteral("FtpError: %1").arg(FtpResult()));
    const QString why = !cause.isEmpty()        ? cause
                        : m_socketError != 0    ? CodeText(m_socketError)
                        : !m_closingReply.isEmpty() ? m_closingReply
                                                    : TxtClosedByDevice;
    ShowFailure(MsgFtpError + why);
}

void TDataModFtp::ShowFailure(const QString& text)
{
    if (FailuresShown())
        platform::ShowMessage(text);
}

void TDataModFtp::FileTooLarge()
{
    SetFtpResult(frTooLarge);
    Log(QStringLiteral("Error: File too large"));
    // Stops reading at once; the device's answer to the abort changes nothing.
    ApdFtpClient->Abort();
    if (FailuresShown())
        platform::ShowMessage(FailureText());
}

void TDataModFtp::NoteLocalFailure(const QString& path, const QString& reason)
{
    m_localFailure = path + QStringLiteral(" (") + reason + u')';
    SetFtpResult(frLocalFolder);
}

void TDataModFtp::Log(const QString& line)
{
    if (OnLogLine)
        OnLogLine(line);
}

bool TDataModFtp::FailuresShown() const
{
    return ShowsFailures && ShowsFailures();
}

// ---------------------------------------------------------------------------------------
// Operations

bool TDataModFtp::FtpConnect(const QString& address, const QString& user, const QString& password)
{
    if (Refused())
        return false;
    // The address of an open connection cannot change.
    if (ApdFtpClient->Connected())
        FtpLogout(true);
    ApdFtpClient->SetPassword(password);
    ApdFtpClient->SetUserName(user);
    ApdFtpClient->SetServerAddress(address);
    return FtpLogin();
}

bool TDataModFtp::FtpLogin()
{
    if (Refused())
        return false;
    SetAwaiting(FtpAwaiting::Login);
    m_logoutRequested = false;
    m_userAborted = false;
    m_listingFailed = false;
    m_closingReply.clear();
    m_errorText.clear();
    m_socketError = 0;
    FtpSetTimeouts(10);
    Log(QStringLiteral("LOGIN"));
    Log(QStringLiteral("Server: ") + ApdFtpClient->ServerAddress());
    Log(QStringLiteral("User: ") + ApdFtpClient->UserName());
    bool started = false;
    QString cause;
    try {
        started = ApdFtpClient->Login();
        if (started) {
            FtpStartWait();
            Wait([this] { return Answered(); });
        }
    } catch (const EAPDException& e) {
        // A port that cannot open counts as a refused log-in.
        if (m_socketError == 0 && e.ErrorCode != 0)
            m_socketError = EAPDException::MapCodeToStringID(e.ErrorCode);
        cause = e.Message;
    } catch (const std::exception& e) {
        cause = QString::fromUtf8(e.what());
    }
    const bool loggedIn = started && Answered() && ApdFtpClient->LoggedIn() && FtpResult() == frNone;
    SetAwaiting(FtpAwaiting::Nothing);
    if (loggedIn)
        return true;
    // Left on purpose (an abort, the program closing): no failure to tell.
    if (m_logoutRequested)
        return false;
    if (!started)
        LoginFailed(cause.isEmpty() && m_socketError == 0 ? TxtClosedByDevice : cause);
    platform::ShowMessage(MsgFtpLoginFailed);
    return false;
}

void TDataModFtp::FtpLogout(bool wait)
{
    // A press of Abort while an abort runs: the running one logs out when it is done.
    if (!ApdFtpClient->Connected() || m_aborting)
        return;
    if (ApdFtpClient->InProgress())
        ApdFtpClient->Abort();
    // A server that has gone silent, or one we never logged in to, has nothing to wait for;
    // closing, aborting or leaving the window must not hang on it.
    const bool quick = !wait || platform::Closing() || FtpResult() == frTimeout || !ApdFtpClient->LoggedIn();
    m_logoutRequested = true;
    Log(QStringLiteral("LOGOUT"));
    {
        // The client waits for the closed connection in a loop of its own.
        const platform::WaitScope waiting;
        ApdFtpClient->Logout(quick ? QuickLogoutMs : -1);
    }
    if (wait)
        platform::WaitUntil([this] { return !ApdFtpClient->LoggedIn() && !ApdFtpClient->Connected(); }, LogoutCloseMs);
}

bool TDataModFtp::FtpChangeDir(const QString& dir)
{
    if (Refused() || !ApdFtpClient->LoggedIn() || StickyFailure())
        return false;
    SetAwaiting(FtpAwaiting::Complete);
    Log(QStringLiteral("CHDIR ") + dir);
    if (ApdFtpClient->ChangeDir(dir))
        Wait([this] { return Answered(); });
    return Answered();
}

int TDataModFtp::FtpListDir(QStringList& list, const QString& mask)
{
    if (Refused() || !ApdFtpClient->LoggedIn())
        return 0;
    SetAwaiting(FtpAwaiting::DataAvail);
    m_listingFailed = false;
    m_listingFailure.clear();
    FtpSetTimeouts(ListingWaitSeconds);
    Log(QStringLiteral("DIR ") + mask);
    if (ApdFtpClient->ListDir(mask, false))
        Wait([this] { return Answered(); });
    const int code = FtpResult();
    // A failed listing leaves no code behind.
    FtpSetTimeouts(10);
    const QString text = std::exchange(m_listingText, QString());
    if (!Answered() || m_userAborted) {
        // A missing folder (550) is no failed listing; one that never came whole is.
        m_listingFailed = !m_userAborted
                          && (code == frTimeout || code == frConnectionLost || code == ecFtpListingTooLong
                              || code >= 10000 || !ApdFtpClient->LoggedIn());
        if (m_listingFailed && !FailuresShown())
            m_listingFailure = code == frTimeout ? MsgFtpTimeout
                               : code == frConnectionLost || code == frNone
                                   ? MsgTransferClosed
                                   : MsgFtpError + (m_errorText.isEmpty() ? CodeText(code) : m_errorText);
        return 0;
    }
    if (ListingLines(text) > FtpMaxListingEntries) {
        m_listingFailed = true;
        Log(QStringLiteral("Error: Listing too long"));
        platform::ShowMessage(MsgListingTooLong.arg(FtpMaxListingEntries) + mask);
        return 0;
    }
    const qsizetype before = list.size();
    if (!FtpParseListing(list, text)) {
        m_listingFailed = true;
        Log(QStringLiteral("Error: Listing unreadable"));
        platform::ShowMessage(MsgFtpError + MsgListingUnreadable + QStringLiteral(": ") + mask);
        return 0;
    }
    return int(list.size() - before);
}

bool TDataModFtp::FtpRemoteExists(const QString& path)
{
    if (Refused() || !ApdFtpClient->LoggedIn())
        return false;
    const qsizetype cut = path.lastIndexOf(u'\\');
    const QString name = path.mid(cut + 1);
    QStringList names;
    FtpListDir(names, path.left(cut + 1) + QStringLiteral("*.*"));
    return names.contains(name, Qt::CaseInsensitive);
}

bool TDataModFtp::FtpMakeDir(const QString& dir)
{
    if (Refused() || !ApdFtpClient->LoggedIn())
        return false;
    if (FtpRemoteExists(dir))
        return true;
    if (StickyFailure())
        return false;
    Log(QStringLiteral("MKDIR ") + dir);
    SetAwaiting(FtpAwaiting::Complete);
    bool made = false;
    if (ApdFtpClient->MakeDir(dir)) {
        FtpStartWait();
        Wait([this] { return !ApdFtpClient->InProgress(); });
        made = FtpResult() == frNone;
        if (made)
            Log(QStringLiteral("Mkdir Ok!"));
    }
    return made;
}

bool TDataModFtp::FtpRetrieve(const QString& remoteName, const QString& localName, qint64 maxBytes)
{
    // Setting a code here would end the running transfer's wait.
    if (Refused())
        return false;
    if (!ApdFtpClient->LoggedIn()) {
        SetFtpResult(frNotLoggedIn);
        return false;
    }
    if (StickyFailure())
        return false;
    const QString part = TempNameOf(localName);
    SetAwaiting(FtpAwaiting::TransferOk);
    m_retrieving = remoteName;
    m_maxBytes = m_retrieveBound = maxBytes;
    Log(QStringLiteral("RETRIEVE ") + remoteName);
    // The folder is made only when the file cannot be opened without it: most files of a
    // download go into one folder.
    const QString folder = QFileInfo(localName).absolutePath();
    bool started = ApdFtpClient->Retrieve(remoteName, part, rmReplace);
    if (!started && !QFileInfo::exists(folder)) {
        if (QDir().mkpath(folder))
            started = ApdFtpClient->Retrieve(remoteName, part, rmReplace);
        else
            NoteLocalFailure(folder, QString::fromLocal8Bit(std::strerror(errno)));
    }
    if (started) {
        Wait([this] { return Answered(); });
    } else if (FtpResult() == frNone) {
        // The client gives no reason when it cannot open the file: ask for it.
        QFile probe(part);
        if (!probe.open(QIODevice::WriteOnly))
            NoteLocalFailure(part, probe.errorString());
    }
    m_maxBytes = -1;
    // An aborted transfer is a failure, and neither it nor a failed one leaves a file.
    bool ok = Answered() && !m_userAborted && FtpResult() != frTooLarge;
    if (ok && ApdFtpClient->BytesTransferred() > maxBytes) {
        FileTooLarge();
        ok = false;
    }
    if (ok && std::rename(QFile::encodeName(part).constData(), QFile::encodeName(localName).constData()) != 0) {
        NoteLocalFailure(localName, QString::fromLocal8Bit(std::strerror(errno)));
        ok = false;
    }
    if (!ok)
        QFile::remove(part);
    return ok;
}

bool TDataModFtp::FtpStore(const QString& remoteName, const QString& localName)
{
    if (Refused() || !ApdFtpClient->LoggedIn() || StickyFailure())
        return false;
    m_cutLeft.clear();
    m_storing = remoteName;
    m_storeBegun = false;
    const QScopedValueRollback running(m_storeRunning, true);
    const qint64 size = QFileInfo(localName).size();
    SetAwaiting(FtpAwaiting::TransferOk);
    Log(QStringLiteral("STORE ") + remoteName);
    if (ApdFtpClient->Store(remoteName, localName, smReplace))
        Wait([this] { return Answered(); });
    bool ok = Answered() && !m_userAborted;
    if (ok) {
        const qint64 sent = ApdFtpClient->BytesTransferred();
        const qint64 held = sent == size ? RemoteSize(remoteName) : -1;
        if (sent != size || (held >= 0 && held != size)) {
            SetFtpResult(frSizeMismatch);
            Log(QStringLiteral("Error: %1 bytes sent, %2 on the device, %3 in the file").arg(sent).arg(held).arg(size));
            ShowFailure(FailureText());
        }
        ok = FtpResult() == frNone;
    }
    if (!ok)
        RemoveCutFile();
    return ok;
}

qint64 TDataModFtp::RemoteSize(const QString& name)
{
    if (!ApdFtpClient->LoggedIn())
        return -1;
    SetAwaiting(FtpAwaiting::DataAvail);
    Log(QStringLiteral("SIZE ") + name);
    {
        const QScopedValueRollback quiet(m_quiet, true);
        if (ApdFtpClient->SendFtpCommand(QStringLiteral("SIZE ") + name))
            Wait([this] { return Answered(); });
    }
    const QString text = std::exchange(m_listingText, QString()).trimmed();
    const bool answered = Answered();
    SetAwaiting(FtpAwaiting::Nothing);
    // A device that does not know SIZE says so with an error reply: no failure of the store.
    if (!answered && FtpResult() >= 400 && FtpResult() < 600)
        SetFtpResult(frNone);
    bool isNumber = false;
    const qint64 n = text.toLongLong(&isNumber);
    return answered && isNumber && n >= 0 ? n : -1;
}

void TDataModFtp::RemoveCutFile()
{
    if (!m_storeRunning || !m_storeBegun)
        return;
    m_storeBegun = false;
    bool removed = false;
    if (ApdFtpClient->LoggedIn() && !ApdFtpClient->InProgress() && !platform::Closing()) {
        // What the client posted about the transfer (an abort's error) comes first: the
        // result of the DELE is only what its own answer says.
        const auto drained = std::make_shared<bool>(false);
        QMetaObject::invokeMethod(
            this, [drained] { *drained = true; }, Qt::QueuedConnection);
        platform::WaitUntil([&] { return *drained; }, CutFileDeleteMs);
        const int failure = FtpResult();
        const FtpAwaiting awaiting = m_awaiting;
        const QScopedValueRollback quiet(m_quiet, true);
        SetFtpResult(frNone);
        SetAwaiting(FtpAwaiting::Complete);
        Log(QStringLiteral("DELETE ") + m_storing);
        if (*drained && ApdFtpClient->Delete(m_storing))
            platform::WaitUntil([this] { return Answered() || FtpResult() != frNone || !ApdFtpClient->Connected(); },
                                CutFileDeleteMs);
        removed = Answered() && FtpResult() == frNone;
        SetAwaiting(awaiting);
        SetFtpResult(failure);
    }
    if (!removed) {
        m_cutLeft = m_storing;
        Log(QStringLiteral("Error: cut file left: ") + m_storing);
    }
}

bool TDataModFtp::FtpAbort()
{
    if (!ApdFtpClient->LoggedIn())
        return false;
    if (!ApdFtpClient->InProgress())
        return true;
    if (m_aborting)
        return false;
    const QScopedValueRollback aborting(m_aborting, true);
    Log(QStringLiteral("ABORT"));
    m_userAborted = true;
    if (ApdFtpClient->Abort()) {
        FtpStartWait();
        Wait([this] { return !ApdFtpClient->InProgress(); });
        SetFtpResult(frAborted);
    }
    // Before the log-out that follows an abort: nothing cut stays under the real name.
    RemoveCutFile();
    return !ApdFtpClient->InProgress();
}

bool TDataModFtp::FtpCollectFiles(QStringList& list, const QString& root, TDateTime start, TDateTime end)
{
    return ::FtpCollectFiles(
        list, root, start, end, [this](QStringList& l, const QString& mask) { return FtpListDir(l, mask); },
        [this] { return m_userAborted || m_listingFailed; });
}

// ---------------------------------------------------------------------------------------
// Events of the client

void TDataModFtp::ApdFtpClientFtpStatus(TFtpStatusCode code, const char* text)
{
    const QString info = text ? QString::fromLatin1(text) : QString();
    switch (code) {
    case scClose:
        m_stopReported = true;
        Log(QStringLiteral("Status: Connection closed."));
        if (m_logoutRequested)
            Log(QStringLiteral("Status: Close Ok!"));
        break;
    case scOpen:
        Log(QStringLiteral("Status: Open Ok!"));
        break;
    case scLogout:
        Log(m_logoutRequested ? QStringLiteral("Status: Logout Ok!")
                              : QStringLiteral("Status: Logout! Connection Terminated by Server"));
        break;
    case scLogin:
        Log(QStringLiteral("Status: Login Ok!"));
        m_logoutRequested = false;
        Answer(FtpAwaiting::Login);
        break;
    case scComplete:
        Log(QStringLiteral("Status: Complete"));
        Answer(FtpAwaiting::Complete);
        Timer->stop();
        break;
    case scCurrentDir:
        Log(QStringLiteral("Status: Current Dir=") + info);
        break;
    case scDataAvail:
        Log(QStringLiteral("Status: Data Avail=") + info.left(ListingLogChars));
        m_listingText = info;
        Timer->stop();
        Answer(FtpAwaiting::DataAvail);
        break;
    case scProgress:
        if (OnProgressLine)
            OnProgressLine(QStringLiteral("Loading data, %1 bytes transferred").arg(ApdFtpClient->BytesTransferred()));
        // Data keeps the wait alive, up to the file's bound.
        Timer->start();
        if (m_maxBytes >= 0 && ApdFtpClient->BytesTransferred() > m_maxBytes && FtpResult() == frNone)
            FileTooLarge();
        break;
    case scTransferOK:
        Log(QStringLiteral("Status: Transfer Ok!"));
        Answer(FtpAwaiting::TransferOk);
        Timer->stop();
        break;
    case scTimeout:
        Log(QStringLiteral("Status: Timeout"));
        Timer->stop();
        SetFtpResult(frTimeout);
        break;
    default:
        Log(QStringLiteral("Status: Unknown Status Code!"));
        break;
    }
}

void TDataModFtp::ApdFtpClientFtpError(int32_t code, const char* text)
{
    if (m_quietStop) {
        m_stopReported = true;
        Log(QStringLiteral("FtpError: %1").arg(code));
        return;
    }
    Timer->stop();
    if (m_quiet) {
        // The answer to our own check or clean-up: its caller decides what it means.
        SetFtpResult(code);
        Log(QStringLiteral("FtpError: %1").arg(code));
        return;
    }
    // The server's answer to our own abort does not replace the abort's code.
    const bool ownAbort = (m_userAborted && FtpResult() == frAborted) || FtpResult() == frTooLarge;
    const QString t = text ? QString::fromLatin1(text).trimmed() : QString();
    if (!ownAbort) {
        SetFtpResult(code);
        m_errorText = t;
    }
    Log(QStringLiteral("FtpError: %1").arg(code));
    if (ownAbort || m_userAborted)
        return;
    ShowFailure(code == ecFtpTransferIncomplete ? FailureText() : MsgFtpError + (t.isEmpty() ? CodeText(code) : t));
}

void TDataModFtp::ApdFtpClientFtpReply(int32_t code, const char* text)
{
    if (m_storeRunning && code >= 100 && code < 200)
        m_storeBegun = true;  // from here on the device holds a file under the name
    // The client closes on 421 without an error: its text says why.
    if (code == 421 && text)
        m_closingReply = QString::fromLatin1(text).trimmed();
}

void TDataModFtp::TimerTimer()
{
    if (FtpResult() == frNone)
        SetFtpResult(frTimeout);
    Timer->stop();
    Log(QStringLiteral("Error: Timeout"));
    ShowFailure(MsgFtpTimeout);
}
