// The data side of the FTP client: data connections, listings, retrieves and stores.
#include "comms/core/adexcept.h"
#include "comms/ftp/tapdftpclient.h"
#include "comms/net/tapdwinsockdispatcher.h"

#include <QFileInfo>

using S = TFtpProcessState;

namespace {

// Socket notification sets: the passive data socket (read, write, connect, close) and the
// active listening socket (read, write, accept, close).
constexpr int32_t PassiveStyles = FD_READ | FD_WRITE | FD_CONNECT | FD_CLOSE;
constexpr int32_t ListenStyles = FD_READ | FD_WRITE | FD_ACCEPT | FD_CLOSE;

// Blocks read per read notification: enough to keep up with a fast server, few enough that
// the event loop stays responsive.
constexpr int MaxBlocksPerPass = 8;

}  // namespace

// ---- Operations ----

bool TApdCustomFtpClient::ListDir(const QString& Mask, bool FullList)
{
    if (!CanStart({&Mask}))
        return false;
    QByteArray cmd = FullList ? QByteArrayLiteral("LIST") : QByteArrayLiteral("NLST");
    if (!Mask.isEmpty())
        cmd += ' ' + Wire(Mask);
    return StartTransfer(S::psDir, cmd, nullptr);
}

bool TApdCustomFtpClient::Retrieve(const QString& RemoteName, const QString& LocalName, TFtpRetrieveMode Mode)
{
    if (!CanStart({&RemoteName}) || RemoteName.isEmpty() || LocalName.isEmpty())
        return false;
    auto file = std::make_unique<QFile>(LocalName);
    const QIODevice::OpenMode mode =
        Mode == rmReplace ? QIODevice::WriteOnly | QIODevice::Truncate : QIODevice::ReadWrite;
    if (!file->open(mode | QIODevice::Unbuffered))
        return false;
    QByteArray rest;
    if (Mode == rmAppend) {
        file->seek(file->size());
    } else if (Mode == rmRestart) {
        if (FRestartAt < 0 || FRestartAt > file->size())
            FRestartAt = file->size();
        file->seek(FRestartAt);
        rest = "REST " + QByteArray::number(qlonglong(FRestartAt));
    }
    FRemoteFile = RemoteName;
    FLocalFile = LocalName;
    FLocalStream = std::move(file);
    PostLog(Mode == rmRestart ? lcRestart : lcReceive);
    if (!StartTransfer(S::psGet, "RETR " + Wire(RemoteName), rest.isEmpty() ? nullptr : &rest))
        return false;
    transfer_.WholeFile = Mode != rmRestart;
    return true;
}

bool TApdCustomFtpClient::Store(const QString& RemoteName, const QString& LocalName, TFtpStoreMode Mode)
{
    if (!CanStart({&RemoteName}) || RemoteName.isEmpty() || !QFileInfo(LocalName).isFile())
        return false;
    auto file = std::make_unique<QFile>(LocalName);
    if (!file->open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return false;
    FRemoteFile = RemoteName;
    FLocalFile = LocalName;
    FLocalFileSize = file->size();
    QByteArray cmd, rest;
    switch (Mode) {
    case smAppend: cmd = "APPE "; break;
    case smReplace: cmd = "STOR "; break;
    case smUnique: cmd = "STOU "; break;
    case smRestart:
        cmd = "STOR ";
        if (FRestartAt < 0 || FRestartAt > FLocalFileSize)
            FRestartAt = 0;
        file->seek(FRestartAt);
        rest = "REST " + QByteArray::number(qlonglong(FRestartAt));
        break;
    }
    FLocalStream = std::move(file);
    PostLog(Mode == smRestart ? lcRestart : lcStore);
    return StartTransfer(S::psPut, cmd + Wire(RemoteName), rest.isEmpty() ? nullptr : &rest);
}

bool TApdCustomFtpClient::StartTransfer(TFtpProcessState State, const QByteArray& Command, const QByteArray* Rest)
{
    transfer_ = TransferRecord{};
    ChangeState(State);
    FCommandCount = 0;
    PushCommand(Command);
    if (Rest)
        PushCommand(*Rest);
    if (FPassiveMode)
        PushCommand(QByteArrayLiteral("PASV"));
    // Listings are always ASCII. Every transfer asks for its type: a device that forgets it
    // (a reset of its server, a command of another client's) must not send a file as text.
    PushCommand(State == S::psDir ? QByteArrayLiteral("TYPE A") : "TYPE " + QByteArray(FtpTypeLetter(FFileType)));
    if (DataConnect())
        return true;
    // Nothing has reached the server that needs an answer: back to idle, the caller sees false.
    FCommandCount = 0;
    ChangeState(S::psIdle);
    return false;
}

// ---- Data connection ----

bool TApdCustomFtpClient::DataConnect()
{
    try {
        if (FPassiveMode) {
            FDataSocketHandle = FDataSocket->CreateSocket();
            if (FDataSocketHandle == INVALID_SOCKET)
                return false;
            FDataSocket->SetAsyncStyles(FDataSocketHandle, PassiveStyles);
            PopCommand();
            return true;
        }
        TApdWinsockDispatcher* wd = WinsockDispatcher();
        if (!wd)
            return false;
        int32_t len = sizeof(TSockAddrIn);
        if (SockFuncs.getsockname(wd->ComHandle.load(), &FListenAddress, &len) != 0)
            return false;
        if (FListenSocketHandle == INVALID_SOCKET)
            FListenSocketHandle = FDataSocket->CreateSocket();
        if (FListenSocketHandle == INVALID_SOCKET)
            return false;
        FDataSocket->SetAsyncStyles(FListenSocketHandle, ListenStyles);
        FListenAddress.sin_family = AF_INET_WS;
        FListenAddress.sin_port = 0;
        if (FDataSocket->BindSocket(FListenSocketHandle, FListenAddress) != 0)
            return false;
        len = sizeof(TSockAddrIn);
        if (SockFuncs.getsockname(FListenSocketHandle, &FListenAddress, &len) != 0)
            return false;
        // Listen first: a server may connect as soon as it has read PORT.
        if (FDataSocket->ListenSocket(FListenSocketHandle, 5) != 0)
            return false;
        SendCommand("PORT " + QByteArray::fromStdString(FtpPortArgument(FDataSocket->ntohl(FListenAddress.sin_addr),
                                                                        FDataSocket->ntohs(FListenAddress.sin_port))));
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool TApdCustomFtpClient::DataConnectPASV(const std::string& Reply)
{
    TFtpHostPort hp;
    if (!ParsePasvReply(Reply, hp) || FDataSocketHandle == INVALID_SOCKET)
        return false;
    // Only the port is taken: the data connection goes to the server we are talking to, never
    // to a host the reply names (a bounce to another machine or behind a NAT).
    TApdWinsockDispatcher* wd = WinsockDispatcher();
    TSockAddrIn addr;
    int32_t len = sizeof addr;
    if (!wd || SockFuncs.getpeername(wd->ComHandle.load(), &addr, &len) != 0)
        return false;
    addr.sin_family = AF_INET_WS;
    addr.sin_port = FDataSocket->htons(hp.Port);
    if (const TInAddr named = FDataSocket->htonl(hp.Address); named != addr.sin_addr)
        wd->AddStringToLog(("PASV reply names " + FDataSocket->NetAddr2String(named) + ", data connection to " +
                        FDataSocket->NetAddr2String(addr.sin_addr))
                           .toLatin1());
    // A refusal is reported through WsDataError, now or as a notification.
    FDataSocket->ConnectSocket(FDataSocketHandle, addr);
    return true;
}

void TApdCustomFtpClient::WsDataAccept(QObject*, TSocket Socket)
{
    if (Socket != FListenSocketHandle || FListenSocketHandle == INVALID_SOCKET)
        return;
    TSockAddrIn peer;
    const TSocket s = FDataSocket->AcceptSocket(FListenSocketHandle, peer);
    if (s == INVALID_SOCKET)
        return;
    // One data connection per transfer: a second caller is turned away.
    if (FDataSocketHandle != INVALID_SOCKET || !IsTransferState(FProcessState)) {
        FDataSocket->SetAsyncStyles(s, 0);
        FDataSocket->CloseSocket(s);
        return;
    }
    FDataSocketHandle = s;
    FAcceptAddress = peer;
    FDataSocket->SetAsyncStyles(FListenSocketHandle, 0);
    FDataSocket->CloseSocket(FListenSocketHandle);
    FListenSocketHandle = INVALID_SOCKET;
}

void TApdCustomFtpClient::WsDataConnect(QObject*, TSocket) {}

void TApdCustomFtpClient::WsDataRead(QObject*, TSocket Socket)
{
    if (Socket != FDataSocketHandle || (FProcessState != S::psDir && FProcessState != S::psGet))
        return;
    for (int i = 0; i < MaxBlocksPerPass && Socket == FDataSocketHandle; ++i)
        if (GetData() < DataBufferSize)
            break;
}

void TApdCustomFtpClient::WsDataWrite(QObject*, TSocket Socket)
{
    if (Socket != FDataSocketHandle || FProcessState != S::psPut)
        return;
    transfer_.DataWritable = true;
    if (transfer_.CommandSent)
        PutData();
}

void TApdCustomFtpClient::WsDataDisconnect(QObject*, TSocket Socket)
{
    if (Socket != FDataSocketHandle || Socket == INVALID_SOCKET)
        return;
    if (!IsTransferState(FProcessState)) {
        DataShutDown();
        return;
    }
    if (FProcessState != S::psPut && !transfer_.Aborted)
        for (int i = 0; i < 1024 && GetData() > 0; ++i) {
        }
    if (FDataSocketHandle == INVALID_SOCKET)
        return;
    dataQuiet_ = true;
    FDataSocket->SetAsyncStyles(FDataSocketHandle, 0);
    FDataSocket->CloseSocket(FDataSocketHandle);
    FDataSocketHandle = INVALID_SOCKET;
    dataQuiet_ = false;
    transfer_.DataClosed = true;
    FinishTransferIfDone();
}

void TApdCustomFtpClient::WsDataError(QObject*, TSocket Socket, int ErrCode)
{
    if (Socket == INVALID_SOCKET || (Socket != FDataSocketHandle && Socket != FListenSocketHandle))
        return;
    if (!IsTransferState(FProcessState) || transfer_.Aborted || dataQuiet_)
        return;
    FailTransfer(ErrCode);
}

int TApdCustomFtpClient::GetData()
{
    if (FDataSocketHandle == INVALID_SOCKET)
        return 0;
    if (FProcessState == S::psGet) {
        if (!FLocalStream || transfer_.Aborted)
            return 0;
        ResetTimer();
        const int n = FDataSocket->ReadSocket(FDataSocketHandle, FDataBuffer.get(), DataBufferSize, 0);
        if (n > 0) {
            if (FLocalStream->write(FDataBuffer.get(), n) != n) {
                FailLocalFile();
                return 0;
            }
            transfer_.BytesTransferred += n;
            PostStatus(scProgress, nullptr);
        }
        return n;
    }
    // A listing: kept up to MaxListing. One that goes beyond is no device's; the data
    // connection is closed at once, so a server that never ends it is not read on.
    ResetTimer();
    const int n = FDataSocket->ReadSocket(FDataSocketHandle, FDataBuffer.get(), DataBufferSize, 0);
    if (n > 0) {
        const int room = MaxListing - int(transfer_.Listing.size());
        transfer_.Listing.append(FDataBuffer.get(), std::min(n, std::max(room, 0)));
        transfer_.BytesTransferred += n;
        if (n > room) {
            transfer_.ListingTooLong = true;
            if (dataQuiet_)
                return n;  // the transfer's end is draining it: failed there
            transfer_.Listing.clear();
            ResetDataConnection();
            FailTransfer(ecFtpListingTooLong);
            return 0;
        }
    }
    return n;
}

void TApdCustomFtpClient::PutData()
{
    if (FDataSocketHandle == INVALID_SOCKET || !FLocalStream) {
        if (FProcessState > S::psIdle)
            ChangeState(S::psIdle);
        return;
    }
    transfer_.DataWritable = false;
    while (FLocalStream->pos() < FLocalFileSize && !transfer_.Aborted) {
        ResetTimer();
        const int n = int(std::min<int64_t>(FLocalFileSize - FLocalStream->pos(), DataBufferSize));
        const qint64 at = FLocalStream->pos();
        if (FLocalStream->read(FDataBuffer.get(), n) != n) {
            FailLocalFile();
            return;
        }
        const int w = FDataSocket->WriteSocket(FDataSocketHandle, FDataBuffer.get(), n, 0);
        // A failed write is reported at once, and its handler may have ended the transfer.
        if (FDataSocketHandle == INVALID_SOCKET || !FLocalStream)
            return;
        if (w <= 0) {
            // Full socket buffer (or an error, reported on its own): the next write
            // notification resumes with this block.
            FLocalStream->seek(at);
            return;
        }
        if (w < n)
            FLocalStream->seek(at + w);
        transfer_.BytesTransferred += w;
        PostStatus(scProgress, nullptr);
        if (FDataSocketHandle == INVALID_SOCKET || !FLocalStream)
            return;
    }
    if (!transfer_.SendShutDown) {
        transfer_.SendShutDown = true;
        // Tells the server that the file is complete.
        FDataSocket->ShutdownSocket(FDataSocketHandle, SD_SEND);
    }
}

void TApdCustomFtpClient::DataDisconnect(bool DrainFirst)
{
    if (FDataSocketHandle != INVALID_SOCKET) {
        const TSocket h = FDataSocketHandle;
        FDataSocket->SetAsyncStyles(h, 0);
        // The transfer has ended already: a failing read, or a socket that never connected and
        // cannot be shut down, is no error of it.
        dataQuiet_ = true;
        if (DrainFirst && (FProcessState == S::psDir || FProcessState == S::psGet) && !transfer_.Aborted)
            for (int i = 0; i < 1024 && GetData() > 0; ++i) {
            }
        if (FDataSocketHandle == h) {
            FDataSocket->ShutdownSocket(h, SD_SEND);
            FDataSocket->ShutdownSocket(h, SD_BOTH);
        }
        dataQuiet_ = false;
    }
    DataShutDown();
}

void TApdCustomFtpClient::DataShutDown()
{
    const bool quiet = dataQuiet_;
    dataQuiet_ = true;
    if (FDataSocketHandle != INVALID_SOCKET) {
        FDataSocket->SetAsyncStyles(FDataSocketHandle, 0);
        FDataSocket->CloseSocket(FDataSocketHandle);
        FDataSocketHandle = INVALID_SOCKET;
    }
    if (FListenSocketHandle != INVALID_SOCKET) {
        FDataSocket->SetAsyncStyles(FListenSocketHandle, 0);
        FDataSocket->CloseSocket(FListenSocketHandle);
        FListenSocketHandle = INVALID_SOCKET;
    }
    dataQuiet_ = quiet;
    FLocalStream.reset();
    FLocalFileSize = 0;
}

void TApdCustomFtpClient::ResetDataConnection()
{
    if (FDataSocketHandle != INVALID_SOCKET) {
        const uint16_t hard[2] = {1, 0};  // linger on, 0 s
        dataQuiet_ = true;
        FDataSocket->SetAsyncStyles(FDataSocketHandle, 0);
        FDataSocket->SetSocketOptions(FDataSocketHandle, SOL_SOCKET_WS, SO_LINGER_WS, hard, sizeof hard);
        dataQuiet_ = false;
    }
    DataShutDown();
}

void TApdCustomFtpClient::FinishTransferIfDone()
{
    if (!transfer_.DataClosed || !transfer_.FinalReplyOK || transfer_.Failed || !IsTransferState(FProcessState))
        return;
    switch (FProcessState) {
    case S::psDir:
        if (transfer_.ListingTooLong) {
            FailTransfer(ecFtpListingTooLong);
            return;
        }
        {
            // The text is handed on zero-ended: a line holding a NUL goes, not the rest.
            const QByteArray listing = QByteArray::fromStdString(
                FtpDropNulLines(std::string_view(transfer_.Listing.constData(), size_t(transfer_.Listing.size()))));
            transfer_.Listing.clear();
            EndWithStatus(scDataAvail, &listing);
        }
        return;
    case S::psGet: {
        // A server that cut the file short while it said its size: no whole file.
        if (transfer_.Announced >= 0 && transfer_.BytesTransferred < transfer_.Announced) {
            FailTransfer(ecFtpTransferIncomplete);
            return;
        }
        if (FLocalStream)
            FLocalStream->close();
        if (!FLocalStream || FLocalStream->error() != QFileDevice::NoError) {
            FailLocalFile();
            return;
        }
        FLocalStream.reset();
        EndWithStatus(scTransferOK, nullptr);
        return;
    }
    case S::psPut:
        // A server that closed before it had the whole file has not got it.
        if (!transfer_.SendShutDown) {
            FailTransfer(ecFtpDataConnection);
            return;
        }
        EndWithStatus(scTransferOK, nullptr);
        return;
    default:
        return;
    }
}

void TApdCustomFtpClient::FailLocalFile()
{
    // Texts of the client's events are Latin-1, as the server's replies.
    QByteArray text = ErrorMsg(int16_t(ecFtpLocalFile)).toLatin1() + ": " + FLocalFile.toLatin1();
    if (FLocalStream && FLocalStream->error() != QFileDevice::NoError)
        text += " (" + FLocalStream->errorString().toLatin1() + ')';
    FailTransfer(ecFtpLocalFile, text);
}

void TApdCustomFtpClient::FailTransfer(int32_t Code, const QByteArray& Text)
{
    // Once; and not while the end of the transfer drains what is left.
    if (transfer_.Failed || dataQuiet_)
        return;
    transfer_.Failed = true;
    transfer_.Aborted = true;
    transfer_.FailCode = Code;
    transfer_.FailText = Text;
    FCommandCount = 0;
    // The file is closed and nothing more is read or written from here on.
    DataShutDown();
    // A command on its way owns the server's next final reply: wait for it (the transfer
    // time-out bounds the wait), so that it does not answer the next command.
    if (repliesDue_ > 0)
        return;
    EndWithError(Code, Text.isEmpty() ? nullptr : &Text);
}
