#include "comms/ftp/tapdftpclient.h"

#include "comms/core/adexcept.h"
#include "comms/core/appexceptionhook.h"
#include "comms/core/exception.h"
#include "comms/core/oomisc.h"
#include "comms/packets/tapddatapacket.h"
#include "comms/ftp/tapdftplog.h"
#include "comms/net/tapdwinsockdispatcher.h"
#include "comms/core/thiddenwindow.h"

#include <QElapsedTimer>
#include <QTimer>

using S = TFtpProcessState;

namespace {

// A text that may go into a command line: Latin-1 only, no CR, LF or NUL.
bool IsWireText(const QString& S)
{
    for (QChar c : S)
        if (c.unicode() > 0xFF)
            return false;
    return FtpArgumentIsSafe(S.toLatin1().toStdString());
}

}  // namespace

TApdCustomFtpClient::TApdCustomFtpClient(QObject* Owner) : TApdCustomWinsockPort(Owner)
{
    SetDeviceLayer(dlWinsock);
    SetWsMode(wsClient);
    SetWsPort(QStringLiteral("ftp"));
    SetAutoOpen(false);
    SetUseEventWord(false);

    FDataBuffer = std::make_unique<char[]>(DataBufferSize);

    FEventWindow = std::make_unique<THiddenWindow>(QStringLiteral("TApdFtpClient"));
    FEventWindow->SetWndProc([this](uint32_t Msg, uint32_t wParam, int32_t lParam) {
        return FtpEventHandler(Msg, wParam, lParam);
    });

    FReplyPacket = new TApdDataPacket(this);
    FReplyPacket->SetStartCond(scAnyData);
    // A line ends at its LF: servers that leave out the CR are read as common clients read
    // them. A line without one is cut at the bound rather than collected without end.
    FReplyPacket->SetEndString(QByteArrayLiteral("\n"));
    FReplyPacket->SetEndCond({ecString, ecPacketSize});
    FReplyPacket->SetPacketSize(int32_t(FtpMaxReplyLine));
    FReplyPacket->SetTimeOut(0);
    FReplyPacket->SetComPort(this);
    FReplyPacket->OnStringPacket = [this](QObject* Sender, const QString& Data) { ReplyPacketHandler(Sender, Data); };

    FDataSocket = new TApdSocket(this);
    FDataSocket->OnWsAccept = [this](QObject* s, TSocket k) { WsDataAccept(s, k); };
    FDataSocket->OnWsConnect = [this](QObject* s, TSocket k) { WsDataConnect(s, k); };
    FDataSocket->OnWsDisconnect = [this](QObject* s, TSocket k) { WsDataDisconnect(s, k); };
    FDataSocket->OnWsError = [this](QObject* s, TSocket k, int e) { WsDataError(s, k, e); };
    FDataSocket->OnWsRead = [this](QObject* s, TSocket k) { WsDataRead(s, k); };
    FDataSocket->OnWsWrite = [this](QObject* s, TSocket k) { WsDataWrite(s, k); };

    connectTimer_ = new QTimer(this);
    connectTimer_->setSingleShot(true);
    connect(connectTimer_, &QTimer::timeout, this, [this] { ConnectTimedOut(); });

    repeatTimer_ = new QTimer(this);
    repeatTimer_->setSingleShot(true);
    connect(repeatTimer_, &QTimer::timeout, this, [this] {
        if (FProcessState == S::psLogin)
            LoginIncomplete(repeatedText_);
    });

    abortTimer_ = new QTimer(this);
    abortTimer_->setSingleShot(true);
    connect(abortTimer_, &QTimer::timeout, this, [this] {
        if (aborting_)
            FinishAbort();
    });
}

TApdCustomFtpClient::~TApdCustomFtpClient()
{
    // Close while every member is alive; nothing is reported any more.
    FDestroying = true;
    connectTimer_->stop();
    repeatTimer_->stop();
    abortTimer_->stop();
    DataShutDown();
    if (Open() && !ShuttingDown())
        SetOpen(false);
    if (FFtpLog && FFtpLog->FtpClient() == this)
        FFtpLog->SetFtpClient(nullptr);
    delete FReplyPacket;
    FReplyPacket = nullptr;
    FEventWindow.reset();
    postedTexts_.clear();
}

void TApdCustomFtpClient::SetFtpLog(TApdFtpLog* Log)
{
    if (Log == FFtpLog)
        return;
    FFtpLog = Log;
    if (Log)
        Log->SetFtpClient(this);
}

void TApdCustomFtpClient::Notification(QObject* AComponent, TOperation Operation)
{
    TApdCustomWinsockPort::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent && AComponent == FFtpLog.data())
        SetFtpLog(nullptr);
    else if (Operation == opInsert && !FFtpLog)
        if (auto* log = qobject_cast<TApdFtpLog*>(AComponent); log && !log->FtpClient())
            SetFtpLog(log);
}

// ---- Connection ----

bool TApdCustomFtpClient::Login()
{
    if (FProcessState >= S::psIdle || !IsWireText(FUserName) || !IsWireText(FPassword) || !IsWireText(FAccount))
        return false;
    if (FProcessState == S::psLogin) {
        if (usersSent_ >= MaxLoginUsers)
            return false;
        loginReplies_ = 0;
        SendUser();
        return true;
    }
    if (FConnectTimeout > 0)
        connectTimer_->start(int(std::min<int64_t>(int64_t(FConnectTimeout) * MsPerTick, INT32_MAX)));
    bool opened = false;
    try {
        SetOpen(true);
        opened = Open();
    } catch (const Exception&) {
        connectTimer_->stop();
        throw;
    }
    if (!opened) {
        connectTimer_->stop();
        return false;
    }
    // Commands go out as whole lines: held back for an acknowledgement (Nagle), one could wait
    // the peer's delayed-ACK time, 40 ms, which a month of files meets dozens of times.
    if (TApdWinsockDispatcher* wd = WinsockDispatcher()) {
        const int32_t on = 1;
        SockFuncs.setsockopt(wd->ComHandle.load(), IPPROTO_TCP_WS, TCP_NODELAY_WS, reinterpret_cast<const char*>(&on),
                             sizeof on);
    }
    ChangeState(S::psLogin);
    return true;
}

bool TApdCustomFtpClient::Logout(int LimitMs)
{
    const bool wasOpen = Open();
    if (!wasOpen)
        return false;
    PutString(QByteArrayLiteral("QUIT\r\n"));
    const int64_t limitMs =
        LimitMs >= 0 ? LimitMs : std::max<int64_t>(5000, int64_t(std::max(FTransferTimeout, 0)) * MsPerTick);
    QElapsedTimer waited;
    waited.start();
    while (Open() && waited.elapsed() < limitMs)
        if (DelayTicks(2, true) == wmQuit)
            break;
    if (Open() || FProcessState != S::psClosed)
        ChangeState(S::psClosed);
    return wasOpen;
}

bool TApdCustomFtpClient::Abort()
{
    if (FProcessState <= S::psIdle || aborting_)
        return false;
    transfer_.Aborted = true;
    FCommandCount = 0;
    StopTimer();
    if (IsTransferState(FProcessState))
        ResetDataConnection();
    aborting_ = true;
    abortAnswered_ = false;
    abortError_ = 0;
    abortErrorText_.clear();
    ++repliesDue_;
    PutString(QByteArrayLiteral("ABOR\r\n"));
    abortTimer_->start(AbortReplyMs);
    PostLog(lcUserAbort);
    return true;
}

void TApdCustomFtpClient::AbortReply(int Code, const QByteArray& Text)
{
    if (Code < 200)
        return;
    abortAnswered_ = true;
    if (repliesDue_ > 0)
        --repliesDue_;
    if (Code >= 400 && abortError_ == 0) {
        abortError_ = Code;
        abortErrorText_ = Text;
    }
    // A 2xx ends the abort: its own, or the 226 of a transfer that ended before the server read
    // the ABOR, whose own reply is then still to come.
    if (Code < 300 || repliesDue_ == 0)
        FinishAbort();
}

void TApdCustomFtpClient::FinishAbort()
{
    // A server that answered the abort has said all it will about the transfer, except perhaps
    // the abort's own reply, which is skipped when it comes; from a silent one, replies still due
    // are skipped when they come.
    if (abortAnswered_) {
        abortReplyLate_ = repliesDue_ > 0;
        repliesDue_ = 0;
    }
    aborting_ = false;
    abortTimer_->stop();
    const int32_t code = abortError_;
    const QByteArray text = std::exchange(abortErrorText_, QByteArray());
    ChangeState(S::psIdle);
    if (code != 0)
        PostError(code, &text);
    else if (transfer_.Failed)
        PostTransferError();
    else
        PostStatus(scClose, nullptr);
}

uint16_t TApdCustomFtpClient::ResolvePort()
{
    const uint16_t port = TApdCustomWinsockPort::ResolvePort();
    return port == 0 && WsPort().compare(QLatin1String("ftp"), Qt::CaseInsensitive) == 0 ? 21 : port;
}

void TApdCustomFtpClient::DoConnect()
{
    connectTimer_->stop();
    reply_.Reset();
    repliesDue_ = 0;
    greetings_ = 0;
    loginAnswered_ = false;
    usersSent_ = 0;
    loginReplies_ = 0;
    transfer_ = TransferRecord{};
    FReplyPacket->SetEnabled(true);
    if (TApdBaseDispatcher* d = Dispatcher())
        d->RegisterEventTriggerHandler(this, [this](uint32_t Msg, uint32_t wParam, int32_t lParam) {
            TimerTrigger(Msg, wParam, lParam);
        });
    // The greeting runs under no time-out of the client: the caller's wait bounds it.
    ChangeState(S::psLogin);
    TApdCustomWinsockPort::DoConnect();
}

void TApdCustomFtpClient::DoDisconnect()
{
    connectTimer_->stop();
    StopTimer();
    if (TApdBaseDispatcher* d = Dispatcher())
        d->DeregisterEventTriggerHandler(this);
    if (FReplyPacket)
        FReplyPacket->SetEnabled(false);
    ChangeState(S::psClosed);
    TApdCustomWinsockPort::DoDisconnect();
}

void TApdCustomFtpClient::ConnectTimedOut()
{
    ChangeState(S::psClosed);
    if (OnFtpError && !FDestroying)
        OnFtpError(this, ecFtpConnectTimeout, nullptr);
}

// ---- Commands ----

bool TApdCustomFtpClient::CanStart(std::initializer_list<const QString*> Args) const
{
    if (FProcessState != S::psIdle)
        return false;
    for (const QString* a : Args)
        if (!IsWireText(*a))
            return false;
    return true;
}

bool TApdCustomFtpClient::ChangeDir(const QString& Dir)
{
    if (!CanStart({&Dir}))
        return false;
    ChangeState(S::psCmd);
    SendCommand(Dir.isEmpty() ? QByteArrayLiteral("PWD") : "CWD " + Wire(Dir));
    return true;
}

bool TApdCustomFtpClient::CurrentDir()
{
    if (!CanStart({}))
        return false;
    ChangeState(S::psCmd);
    SendCommand(QByteArrayLiteral("PWD"));
    return true;
}

bool TApdCustomFtpClient::Delete(const QString& Name)
{
    if (!CanStart({&Name}) || Name.isEmpty())
        return false;
    ChangeState(S::psCmd);
    FRemoteFile = Name;
    PostLog(lcDelete);
    SendCommand("DELE " + Wire(Name));
    return true;
}

bool TApdCustomFtpClient::Help(const QString& Cmd)
{
    if (!CanStart({&Cmd}))
        return false;
    ChangeState(S::psCmd);
    SendCommand(Cmd.isEmpty() ? QByteArrayLiteral("HELP") : "HELP " + Wire(Cmd));
    return true;
}

bool TApdCustomFtpClient::MakeDir(const QString& Dir)
{
    if (!CanStart({&Dir}) || Dir.isEmpty())
        return false;
    ChangeState(S::psMkDir);
    SendCommand("MKD " + Wire(Dir));
    return true;
}

bool TApdCustomFtpClient::RemoveDir(const QString& Dir)
{
    if (!CanStart({&Dir}) || Dir.isEmpty())
        return false;
    ChangeState(S::psCmd);
    FRemoteFile = Dir;
    PostLog(lcDelete);
    SendCommand("RMD " + Wire(Dir));
    return true;
}

bool TApdCustomFtpClient::Rename(const QString& OldName, const QString& NewName)
{
    if (!CanStart({&OldName, &NewName}) || OldName.isEmpty() || NewName.isEmpty())
        return false;
    ChangeState(S::psRen);
    FRemoteFile = OldName;
    PostLog(lcRename);
    FCommandCount = 0;
    PushCommand("RNTO " + Wire(NewName));
    SendCommand("RNFR " + Wire(OldName));
    return true;
}

bool TApdCustomFtpClient::SendFtpCommand(const QString& Cmd)
{
    if (!CanStart({&Cmd}) || Cmd.isEmpty())
        return false;
    ChangeState(S::psCmd);
    SendCommand(Wire(Cmd));
    return true;
}

bool TApdCustomFtpClient::Status(const QString& Arg)
{
    if (!CanStart({&Arg}))
        return false;
    ChangeState(S::psCmd);
    SendCommand(Arg.isEmpty() ? QByteArrayLiteral("STAT") : "STAT " + Wire(Arg));
    return true;
}

// ---- Command stack and time-out ----

void TApdCustomFtpClient::SendCommand(const QByteArray& Cmd)
{
    ++repliesDue_;
    StartTimer();
    PutString(Cmd + "\r\n");
}

void TApdCustomFtpClient::PushCommand(const QByteArray& Cmd)
{
    if (FCommandCount >= FCommandStack.size()) {
        FCommandCount = 0;
        throw Exception(QStringLiteral("FTP Command stack full"));
    }
    FCommandStack[FCommandCount++] = Cmd;
}

void TApdCustomFtpClient::PopCommand()
{
    if (FCommandCount == 0)
        return;
    const QByteArray cmd = FCommandStack[--FCommandCount];
    // The transfer command lies at the bottom of the stack: once it is out, the server's
    // 1xx and final replies belong to this transfer.
    if (FCommandCount == 0 && IsTransferState(FProcessState))
        transfer_.CommandSent = true;
    SendCommand(cmd);
    if (transfer_.CommandSent && FProcessState == S::psPut && transfer_.DataWritable)
        PutData();
}

void TApdCustomFtpClient::StartTimer()
{
    StopTimer();
    if (FTransferTimeout <= 0 || !Open())
        return;
    if (TApdBaseDispatcher* d = Dispatcher()) {
        const int h = d->AddTimerTrigger();
        if (h > 0 && d->SetTimerTrigger(h, FTransferTimeout, true) >= 0)
            FTransferTimer = h;
        else if (h > 0)
            d->RemoveTrigger(h);
    }
}

void TApdCustomFtpClient::ResetTimer()
{
    if (FTransferTimer != 0 && FTransferTimeout >= 1)
        if (TApdBaseDispatcher* d = Open() ? Dispatcher() : nullptr) {
            ++timerGeneration_;
            d->SetTimerTrigger(FTransferTimer, FTransferTimeout, true);
        }
}

void TApdCustomFtpClient::StopTimer()
{
    if (FTransferTimer == 0)
        return;
    // Trigger handles are reused: a time-out posted for this timer must not hit the next one.
    ++timerGeneration_;
    if (TApdBaseDispatcher* d = Open() ? Dispatcher() : nullptr) {
        d->SetTimerTrigger(FTransferTimer, 0, false);
        d->RemoveTrigger(FTransferTimer);
    }
    FTransferTimer = 0;
}

void TApdCustomFtpClient::TimerTrigger(uint32_t Msg, uint32_t wParam, int32_t lParam)
{
    // Runs inside the dispatcher's trigger walk: only note it; the window handles it next.
    if (Msg == wmTriggerTimer && FTransferTimer != 0 && int32_t(wParam) == FTransferTimer)
        Post(wmFtpTimeout, timerGeneration_, nullptr);
}

// ---- State and events ----

void TApdCustomFtpClient::ChangeState(TFtpProcessState NewState)
{
    const TFtpProcessState old = FProcessState;
    // A close that closes the port comes back here through DoDisconnect: once is enough.
    if (NewState == S::psClosed && closing_)
        return;
    if (NewState != old)
        if (TApdWinsockDispatcher* wd = WinsockDispatcher())
            wd->AddStringToLog(QByteArray("FTP ") + FtpStateName(old) + " -> " + FtpStateName(NewState));
    if (NewState == S::psClosed) {
        closing_ = true;
        StopTimer();
        connectTimer_->stop();
        repeatTimer_->stop();
        abortTimer_->stop();
        aborting_ = false;
        abortReplyLate_ = false;
        repliesDue_ = 0;
        if (FReplyPacket)
            FReplyPacket->SetEnabled(false);
        DataShutDown();
        FProcessState = S::psClosed;
        if (Open() && !ShuttingDown())
            SetOpen(false);
        FLoggedIn = false;
        FCommandCount = 0;
        reply_.Reset();
        if (old >= S::psIdle) {
            PostStatus(scLogout, nullptr);
            PostLog(lcLogout);
        } else if (old != S::psClosed) {
            PostStatus(scClose, nullptr);
        }
        closing_ = false;
        return;
    }
    if (NewState == S::psIdle) {
        // Nothing waits for the server any more.
        StopTimer();
        DataDisconnect(true);
    }
    FProcessState = NewState;
}

void TApdCustomFtpClient::EndWithStatus(TFtpStatusCode Code, const QByteArray* Text)
{
    // A reply handled after the connection closed ends nothing more.
    if (FProcessState != S::psClosed)
        ChangeState(S::psIdle);
    PostStatus(Code, Text);
}

void TApdCustomFtpClient::EndWithError(int32_t Code, const QByteArray* Text)
{
    if (FProcessState > S::psIdle)
        ChangeState(S::psIdle);
    PostError(Code, Text);
}

void TApdCustomFtpClient::PostStatus(TFtpStatusCode Code, const QByteArray* Text)
{
    if (!FDestroying)
        Post(wmFtpStatus, uint32_t(Code), Text);
}

void TApdCustomFtpClient::PostError(int32_t Code, const QByteArray* Text)
{
    // Positive replies other than 202 are no errors; the library's own codes are negative.
    if (!FDestroying && (Code < 0 || Code == 202 || Code >= 300))
        Post(wmFtpError, uint32_t(Code), Text);
}

void TApdCustomFtpClient::PostLog(TFtpLogCode Code)
{
    Post(wmFtpLog, uint32_t(Code) & 0x7F, nullptr);
}

void TApdCustomFtpClient::Post(uint32_t Msg, uint32_t wParam, const QByteArray* Text)
{
    if (!FEventWindow)
        return;
    int32_t id = 0;
    if (Text) {
        if (++nextTextId_ <= 0)
            nextTextId_ = 1;
        id = nextTextId_;
        postedTexts_[id] = *Text;
    }
    if (!PostMessage(FEventWindow->Handle(), Msg, wParam, id) && id)
        postedTexts_.erase(id);
}

void TApdCustomFtpClient::ReplyPacketHandler(QObject*, const QString& Data)
{
    const QByteArray line = Data.toLatin1();
    Post(wmFtpReply, uint32_t(FtpReplyCode(std::string_view(line.constData(), size_t(line.size())))), &line);
}

int32_t TApdCustomFtpClient::FtpEventHandler(uint32_t Msg, uint32_t wParam, int32_t lParam)
{
    QByteArray text;
    bool hasText = false;
    if (lParam != 0) {
        auto it = postedTexts_.find(lParam);
        if (it != postedTexts_.end()) {
            text = std::move(it->second);
            hasText = true;
            postedTexts_.erase(it);
        }
    }
    const char* p = hasText ? text.constData() : nullptr;
    try {
        switch (Msg) {
        case wmFtpReply:
            FtpReplyHandler(int(wParam), text.toStdString());
            if (OnFtpReply && !FDestroying)
                OnFtpReply(this, int32_t(wParam), p);
            break;
        case wmFtpError:
            if (OnFtpError)
                OnFtpError(this, int32_t(wParam), p);
            break;
        case wmFtpStatus:
            if (OnFtpStatus)
                OnFtpStatus(this, TFtpStatusCode(wParam), p);
            break;
        case wmFtpLog:
            if (FFtpLog)
                FFtpLog->UpdateLog(TFtpLogCode(wParam));
            else if (OnFtpLog)
                OnFtpLog(this, TFtpLogCode(wParam));
            break;
        case wmFtpTimeout:
            // A time-out of a command that has been answered meanwhile is stale.
            if (FTransferTimer == 0 || wParam != timerGeneration_)
                break;
            StopTimer();
            if (FProcessState == S::psIdle || FProcessState == S::psClosed)
                break;
            transfer_.Aborted = true;
            if (FProcessState < S::psIdle) {
                ChangeState(S::psClosed);  // which reports scClose itself
                break;
            }
            // A server silent for all that time is not waited for any more (some answer the
            // next command while a stalled transfer never ends).
            repliesDue_ = 0;
            ChangeState(S::psIdle);
            if (transfer_.Failed) {
                if (OnFtpError)
                    OnFtpError(this, transfer_.FailCode,
                               transfer_.FailText.isEmpty() ? nullptr : transfer_.FailText.constData());
            } else if (OnFtpStatus) {
                OnFtpStatus(this, scClose, nullptr);
            }
            break;
        default:
            break;
        }
    } catch (const std::exception& e) {
        ApplicationHandleException(e);
    }
    return 0;
}

void TApdCustomFtpClient::DefaultReply(int Code, const QByteArray& Text)
{
    FCommandCount = 0;
    if (Code == 221 || Code == 421) {
        ChangeState(S::psClosed);
        return;
    }
    EndWithError(Code, &Text);
}

void TApdCustomFtpClient::SendUser()
{
    ++usersSent_;
    SendCommand("USER " + Wire(FUserName));
}

bool TApdCustomFtpClient::CountLoginReply(const QByteArray& Text)
{
    if (++loginReplies_ <= MaxLoginReplies)
        return true;
    LoginIncomplete(Text);
    return false;
}

void TApdCustomFtpClient::LoginIncomplete(const QByteArray& Text)
{
    // A server that answers without ever logging us in: no more USER, no more waiting. Told
    // at once, as a connect time-out is: a caller's wait ends when the connection closes.
    const QByteArray text = ErrorMsg(int16_t(ecFtpLoginIncomplete)).toLatin1() + ": " + Text.trimmed();
    ChangeState(S::psClosed);
    if (OnFtpError && !FDestroying)
        OnFtpError(this, ecFtpLoginIncomplete, text.constData());
}

void TApdCustomFtpClient::FtpReplyHandler(int, const std::string& Line)
{
    if (!reply_.Add(Line))
        return;
    const int code = reply_.Code();
    const QByteArray text = QByteArray::fromStdString(reply_.Text());
    const bool closing = code == 221 || code == 421;
    // Replies come in order: the first one after an abort that ended early is its own 225/226,
    // or one of a later command.
    if (std::exchange(abortReplyLate_, false) && (code == 225 || code == 226))
        return;
    if (aborting_ && !closing) {
        AbortReply(code, text);
        return;
    }
    // A reply to a command the client no longer waits for (its 1xx too) answers nothing now.
    if (repliesDue_ > 1 && !closing && code != 0) {
        if (code >= 200)
            --repliesDue_;
        return;
    }
    if (code >= 200 && repliesDue_ > 0)
        --repliesDue_;
    // A transfer that failed on our side reports its cause once the server has answered.
    if (transfer_.Failed && IsTransferState(FProcessState) && code >= 200 && !closing) {
        ChangeState(S::psIdle);
        PostTransferError();
        return;
    }
    if (FProcessState == S::psLogin && code != 0 && !closing) {
        if (!CountLoginReply(text))
            return;
        if (code != 220) {
            loginAnswered_ = true;
            repeatTimer_->stop();
        }
    }
    switch (FtpReplyAction(FProcessState, code)) {
    case TFtpReplyAction::None:
        if (IsTransferState(FProcessState) && code >= 100 && code < 200 && transfer_.CommandSent) {
            transfer_.PreliminarySeen = true;
            if (FProcessState == S::psGet && transfer_.WholeFile)
                transfer_.Announced =
                    FtpAnnouncedSize(std::string_view(text.constData(), size_t(text.trimmed().size())));
            if (FProcessState == S::psPut && transfer_.DataWritable)
                PutData();
        }
        break;
    case TFtpReplyAction::DataDisconnect:
        DataDisconnect(true);
        break;
    case TFtpReplyAction::Greeting: {
        // A second greeting line is taken for the greeting repeated while USER's answer may
        // still come; a 220 that cannot be a greeting any more means no log-in.
        if (++greetings_ > 1) {
            if (greetings_ > 2 || loginAnswered_) {
                LoginIncomplete(text);
                break;
            }
            repeatedText_ = text;
            repeatTimer_->start(RepeatedGreetingMs);
            break;
        }
        const QByteArray after = QByteArray::fromStdString(reply_.TextAfterCode());
        PostStatus(scOpen, &after);
        SendUser();
        break;
    }
    case TFtpReplyAction::SendPass:
        SendCommand("PASS " + Wire(FPassword));
        break;
    case TFtpReplyAction::SendAcct:
        SendCommand("ACCT " + Wire(FAccount));
        break;
    case TFtpReplyAction::LoggedIn:
        connectTimer_->stop();
        StopTimer();
        ChangeState(S::psIdle);
        FLoggedIn = true;
        PostStatus(scLogin, nullptr);
        break;
    case TFtpReplyAction::PopCommand:
        PopCommand();
        break;
    case TFtpReplyAction::PasvConnect:
        if (!DataConnectPASV(reply_.Text())) {
            FCommandCount = 0;
            FailTransfer(ecFtpBadPasvReply);
            break;
        }
        PopCommand();
        break;
    case TFtpReplyAction::TransferReply:
        // The server's side is done, with or without a 1xx before; the time-out runs on until
        // the data connection has closed too.
        if (!transfer_.CommandSent)
            break;
        transfer_.FinalReplyOK = true;
        FinishTransferIfDone();
        break;
    case TFtpReplyAction::ToIdle:
        ChangeState(S::psIdle);
        break;
    case TFtpReplyAction::ToIdleComplete:
        EndWithStatus(scComplete, nullptr);
        break;
    case TFtpReplyAction::CmdDataAvail: {
        const QByteArray after = QByteArray::fromStdString(reply_.TextAfterCode());
        EndWithStatus(scDataAvail, &after);
        break;
    }
    case TFtpReplyAction::CurrentDir: {
        const QByteArray dir = QByteArray::fromStdString(FtpQuotedDirectory(reply_.Text()));
        EndWithStatus(scCurrentDir, &dir);
        break;
    }
    case TFtpReplyAction::Default:
        DefaultReply(code, text);
        break;
    }
}
