#pragma once
#include "comms/ftp/ftpprotocol.h"
#include "comms/ftp/tapdftplog.h"
#include "comms/net/tapdwinsockport.h"

#include <QByteArray>
#include <QFile>
#include <QPointer>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>

class QTimer;
class TApdDataPacket;

// Event messages of the client's hidden window; each event runs after the call that caused it.
inline constexpr uint32_t wmFtpError = 0xB1D;
inline constexpr uint32_t wmFtpLog = 0xB1E;
inline constexpr uint32_t wmFtpReply = 0xB1F;
inline constexpr uint32_t wmFtpStatus = 0xB20;
inline constexpr uint32_t wmFtpTimeout = 0xB21;

// Texts are nullptr for "none" and valid only during the event.
using TFtpErrorEvent = std::function<void(QObject* Sender, int32_t ErrorCode, const char* ErrorText)>;
using TFtpReplyEvent = std::function<void(QObject* Sender, int32_t ReplyCode, const char* ReplyText)>;
using TFtpStatusEvent = std::function<void(QObject* Sender, TFtpStatusCode StatusCode, const char* InfoText)>;
using TFtpLogEvent = std::function<void(QObject* Sender, TFtpLogCode LogCode)>;

// An FTP client: the control connection is this winsock port (telnet processing on), replies
// are cut out of it by a data packet, multi-step commands go through a command stack, and data
// connections are made with a socket component of its own.
//
// Every operation returns at once; results arrive as events (OnFtpStatus, OnFtpError,
// OnFtpReply, OnFtpLog), posted to the client's hidden window, so none runs inside the call
// that caused it. A listing or transfer is complete (scDataAvail / scTransferOK) only when the
// data connection has closed and the server's final reply was 226 or 250; any 4xx/5xx reply
// ends it with OnFtpError instead. Every command sent owns one final reply of the server: one
// the client stopped waiting for (time-out, abort) is skipped when it comes, so it never
// answers a later command. Names travel as Latin-1, the bytes of a listing; arguments holding
// CR, LF, NUL or a character beyond Latin-1 are refused. A listing's lines holding a NUL are
// dropped. The data connection goes to the control connection's server, whatever a 227 names.
//
// Thread rules: user-interface thread only. Handlers may call any operation of the client,
// but must not delete it (use deleteLater).
class TApdCustomFtpClient : public TApdCustomWinsockPort {
    Q_OBJECT
public:
    explicit TApdCustomFtpClient(QObject* Owner = nullptr);
    ~TApdCustomFtpClient() override;

    // ---- Connection ----
    bool Login();
    // Sends QUIT and waits (handling events) until the connection is closed, at most LimitMs,
    // by default the transfer time-out (at least 5 s); then the connection is closed by the
    // client.
    bool Logout(int LimitMs = -1);
    // Resets the data connection (a server blocked writing it reads the control connection
    // again), sends ABOR and waits for the server's replies: until its 2xx, at most
    // AbortReplyMs; then the client is idle and the first error reply (or scClose) ends the
    // operation. A 2xx that was the transfer's own 226 ends it too: the abort's 225/226 after it
    // answers no later command.
    bool Abort();
    static constexpr int AbortReplyMs = 1000;
    // A log-in sends USER once per greeting, at most MaxLoginUsers times per connection; a
    // log-in that has not reached 230 after MaxLoginReplies replies ends with
    // ecFtpLoginIncomplete and a closed connection. One 220 after the greeting, before any
    // other reply, may be the greeting repeated or the server's answer to USER: USER's real
    // answer must then come within RepeatedGreetingMs. Any further 220 ends the log-in at once.
    static constexpr int MaxLoginUsers = 3;
    static constexpr int MaxLoginReplies = 8;
    static constexpr int RepeatedGreetingMs = 3000;
    bool Connected() const { return FProcessState != TFtpProcessState::psClosed; }
    bool InProgress() const
    {
        return FProcessState != TFtpProcessState::psClosed && FProcessState != TFtpProcessState::psIdle;
    }
    TFtpProcessState ProcessState() const { return FProcessState; }
    bool LoggedIn() const { return FLoggedIn; }

    // ---- Commands ----
    bool ChangeDir(const QString& Dir);
    bool CurrentDir();
    bool Delete(const QString& Name);
    bool Help(const QString& Cmd);
    bool MakeDir(const QString& Dir);
    bool RemoveDir(const QString& Dir);
    bool Rename(const QString& OldName, const QString& NewName);
    bool SendFtpCommand(const QString& Cmd);
    bool Status(const QString& Arg);

    // ---- Transfers ----
    bool ListDir(const QString& Mask, bool FullList);
    bool Retrieve(const QString& RemoteName, const QString& LocalName, TFtpRetrieveMode Mode);
    bool Store(const QString& RemoteName, const QString& LocalName, TFtpStoreMode Mode);

    // ---- Properties ----
    QString Account() const { return FAccount; }
    void SetAccount(const QString& V) { FAccount = V; }
    int32_t ConnectTimeout() const { return FConnectTimeout; }  // ticks; 0 = no limit
    void SetConnectTimeout(int32_t V) { FConnectTimeout = V; }
    TFtpFileType FileType() const { return FFileType; }
    void SetFileType(TFtpFileType V) { FFileType = V; }
    TApdFtpLog* FtpLog() const { return FFtpLog; }
    void SetFtpLog(TApdFtpLog* Log);
    QString Password() const { return FPassword; }
    void SetPassword(const QString& V) { FPassword = V; }
    bool PassiveMode() const { return FPassiveMode; }
    void SetPassiveMode(bool V) { FPassiveMode = V; }
    QString ServerAddress() const { return WsAddress(); }
    void SetServerAddress(const QString& V) { SetWsAddress(V); }
    int32_t TransferTimeout() const { return FTransferTimeout; }  // ticks; below 1 = off
    void SetTransferTimeout(int32_t V) { FTransferTimeout = V; }
    QString UserName() const { return FUserName; }
    void SetUserName(const QString& V) { FUserName = V; }
    int64_t RestartAt() const { return FRestartAt; }
    void SetRestartAt(int64_t V) { FRestartAt = V; }
    int64_t BytesTransferred() const { return transfer_.BytesTransferred; }
    int64_t LocalFileSize() const { return FLocalFileSize; }
    QString LocalFile() const { return FLocalFile; }
    QString RemoteFile() const { return FRemoteFile; }
    bool TransferAborted() const { return transfer_.Aborted; }
    // A listing that grows beyond this ends at once with ecFtpListingTooLong, its data
    // connection closed; it is not cut silently.
    static constexpr int MaxListing = 16 * 1024 * 1024;

    TFtpErrorEvent OnFtpError;
    TFtpReplyEvent OnFtpReply;
    TFtpStatusEvent OnFtpStatus;
    TFtpLogEvent OnFtpLog;

    // A history log that enters the client's owner while neither is linked is taken as its log.
    void Notification(QObject* AComponent, TOperation Operation) override;

protected:
    void DoConnect() override;
    void DoDisconnect() override;
    // "ftp" is port 21 also where the services table does not list it.
    uint16_t ResolvePort() override;

private:
    friend class TApdFtpLog;
    static constexpr int DataBufferSize = 32769;

    // Commands carry Latin-1, the 8-bit encoding listings are read in, so a listed name is
    // asked for by the bytes it was listed with.
    static QByteArray Wire(const QString& S) { return S.toLatin1(); }
    static bool IsTransferState(TFtpProcessState S)
    {
        return S == TFtpProcessState::psDir || S == TFtpProcessState::psGet || S == TFtpProcessState::psPut;
    }

    // ---- Control side ----
    // The only writer of FProcessState; notes old -> new in the dispatch log.
    void ChangeState(TFtpProcessState NewState);
    void SendCommand(const QByteArray& Cmd);
    void PushCommand(const QByteArray& Cmd);
    void PopCommand();
    void StartTimer();
    void ResetTimer();
    void StopTimer();
    void TimerTrigger(uint32_t Msg, uint32_t wParam, int32_t lParam);
    // The running operation ends: back to idle, then its status or error is reported.
    void EndWithStatus(TFtpStatusCode Code, const QByteArray* Text);
    void EndWithError(int32_t Code, const QByteArray* Text);
    // Reports only; the state stays as it is.
    void PostStatus(TFtpStatusCode Code, const QByteArray* Text);
    void PostError(int32_t Code, const QByteArray* Text);
    void PostLog(TFtpLogCode Code);
    void Post(uint32_t Msg, uint32_t wParam, const QByteArray* Text);
    void ReplyPacketHandler(QObject* Sender, const QString& Data);
    void FtpReplyHandler(int Code, const std::string& Line);
    int32_t FtpEventHandler(uint32_t Msg, uint32_t wParam, int32_t lParam);
    void ConnectTimedOut();
    // A final reply of the abort; the abort ends when none is due any more.
    void AbortReply(int Code, const QByteArray& Text);
    void FinishAbort();
    // The default action of a reply: drop the chain; 221/421 close, others are errors.
    void DefaultReply(int Code, const QByteArray& Text);
    void SendUser();
    // False when the log-in has ended because the server does not complete it.
    bool CountLoginReply(const QByteArray& Text);
    void LoginIncomplete(const QByteArray& Text);
    // A command that needs ProcessState psIdle and safe arguments; false leaves all as it was.
    bool CanStart(std::initializer_list<const QString*> Args) const;

    // ---- Data side ----
    bool DataConnect();
    bool DataConnectPASV(const std::string& Reply);
    void WsDataAccept(QObject* Sender, TSocket Socket);
    void WsDataConnect(QObject* Sender, TSocket Socket);
    void WsDataDisconnect(QObject* Sender, TSocket Socket);
    void WsDataError(QObject* Sender, TSocket Socket, int ErrCode);
    void WsDataRead(QObject* Sender, TSocket Socket);
    void WsDataWrite(QObject* Sender, TSocket Socket);
    int GetData();
    void PutData();
    void DataDisconnect(bool DrainFirst);
    void DataShutDown();
    // Closes the data connection with a reset: the server's next read or write fails at once.
    void ResetDataConnection();
    // Ends a listing or transfer once both the data connection and the final reply are done.
    void FinishTransferIfDone();
    // Ends the running transfer with an error (once), back to idle.
    void FailTransfer(int32_t Code, const QByteArray& Text = QByteArray());
    // The local file failed: its code, with the path and the system's reason as the text.
    void FailLocalFile();
    // The error of a failed transfer, with its text when it has one.
    void PostTransferError() { PostError(transfer_.FailCode, transfer_.FailText.isEmpty() ? nullptr : &transfer_.FailText); }
    bool StartTransfer(TFtpProcessState State, const QByteArray& Command, const QByteArray* Rest);

    // What one listing or transfer has seen so far: reset whole when it starts, and only there.
    struct TransferRecord {
        bool Aborted = false;          // stopped by an abort, a failure or the time-out
        bool CommandSent = false;      // the transfer command itself has gone out
        bool PreliminarySeen = false;  // and its 1xx reply has come
        bool DataClosed = false;       // the data connection has ended
        bool FinalReplyOK = false;     // the 226/250 has arrived
        bool DataWritable = false;     // a write notification waits for the file data
        bool SendShutDown = false;     // the whole file is written and the sending side shut
        bool Failed = false;
        int32_t FailCode = 0;          // the first failure
        QByteArray FailText;
        bool ListingTooLong = false;
        QByteArray Listing;            // a listing grows here, up to MaxListing
        int64_t BytesTransferred = 0;
        int64_t Announced = -1;  // the size a retrieve's 1xx named; less arriving fails it
        bool WholeFile = false;  // a retrieve from the file's start, which the size is of
    };

    TransferRecord transfer_;
    std::array<QByteArray, 32> FCommandStack;
    uint8_t FCommandCount = 0;
    TSockAddrIn FAcceptAddress;
    TSocket FDataSocketHandle = INVALID_SOCKET;
    std::unique_ptr<THiddenWindow> FEventWindow;
    TApdDataPacket* FReplyPacket = nullptr;
    std::unique_ptr<char[]> FDataBuffer;
    TFtpReplyCollector reply_;
    TSocket FListenSocketHandle = INVALID_SOCKET;
    TSockAddrIn FListenAddress;
    std::unique_ptr<QFile> FLocalStream;
    bool FDestroying = false;
    TFtpProcessState FProcessState = TFtpProcessState::psClosed;  // written by ChangeState only
    TApdSocket* FDataSocket = nullptr;
    int32_t FTransferTimer = 0;
    uint32_t timerGeneration_ = 0;
    QTimer* connectTimer_ = nullptr;
    bool dataQuiet_ = false;     // closing the data socket: its errors are no transfer errors
    bool closing_ = false;       // inside ChangeState(psClosed)
    int repliesDue_ = 0;         // final replies owed for the commands sent
    bool aborting_ = false;
    bool abortAnswered_ = false; // a reply to the abort has come
    bool abortReplyLate_ = false;  // the abort ended before its own reply, which may still come
    int greetings_ = 0;          // 220s of this log-in; the first is answered with USER
    bool loginAnswered_ = false; // a reply other than 220 has come during the log-in
    QByteArray repeatedText_;    // the 220 that may have been the answer to USER
    QTimer* repeatTimer_ = nullptr;
    int usersSent_ = 0;
    int loginReplies_ = 0;
    int32_t abortError_ = 0;     // the first error reply during the abort
    QByteArray abortErrorText_;
    QTimer* abortTimer_ = nullptr;

    std::map<int32_t, QByteArray> postedTexts_;
    int32_t nextTextId_ = 0;

    QString FAccount;
    int32_t FConnectTimeout = 0;
    int64_t FLocalFileSize = 0;
    TFtpFileType FFileType = ftBinary;
    QPointer<TApdFtpLog> FFtpLog;
    QString FLocalFile;
    QString FPassword;
    bool FPassiveMode = false;
    int32_t FTransferTimeout = 1092;
    QString FRemoteFile;
    int64_t FRestartAt = 0;
    bool FLoggedIn = false;
    QString FUserName;
};

class TApdFtpClient : public TApdCustomFtpClient {
    Q_OBJECT
public:
    using TApdCustomFtpClient::TApdCustomFtpClient;
};
