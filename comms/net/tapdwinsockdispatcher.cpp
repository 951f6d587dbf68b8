#include "comms/net/tapdwinsockdispatcher.h"

#include "comms/core/adexcept.h"
#include "comms/core/eapdexception.h"
#include "comms/serial/tapdcustomcomport.h"

#include <QCoreApplication>
#include <QTimer>

namespace {

constexpr int kPollMs = 50;
constexpr int kBacklog = 5;
constexpr int32_t kSelectEvents = FD_READ | FD_WRITE | FD_ACCEPT | FD_CONNECT | FD_CLOSE;  // 59

TApdDeviceSocket* g_deviceSocket = nullptr;

void freeDeviceSocket()
{
    delete g_deviceSocket;
    g_deviceSocket = nullptr;
}

TApdWinsockDispatcher* dispatcherOf(TSocket Socket)
{
    return Socket == INVALID_SOCKET ? nullptr : TApdBaseDispatcher::GetTComRecPtr<TApdWinsockDispatcher>(Socket);
}

bool resetsConnection(int Code)
{
    return Code == wsaENetReset || Code == wsaEConnAborted || Code == wsaEConnReset;
}

}  // namespace

TApdDeviceSocket& ApdDeviceSocket()
{
    if (!g_deviceSocket) {
        g_deviceSocket = new TApdDeviceSocket;
        qAddPostRoutine(freeDeviceSocket);
    }
    return *g_deviceSocket;
}

// ---- Device socket ----

TApdDeviceSocket::TApdDeviceSocket(QObject* Owner) : TApdSocket(Owner) {}

TApdDeviceSocket::~TApdDeviceSocket()
{
    std::lock_guard<std::recursive_mutex> lock(FListLock);
    FConnections.clear();
}

TWsConnection* TApdDeviceSocket::AddConnection(std::unique_ptr<TWsConnection> Connection)
{
    std::lock_guard<std::recursive_mutex> lock(FListLock);
    FConnections.push_back(std::move(Connection));
    return FConnections.back().get();
}

void TApdDeviceSocket::FreeConnection(TWsConnection* Connection)
{
    std::lock_guard<std::recursive_mutex> lock(FListLock);
    FLastSocket = INVALID_SOCKET;
    FLastConnection = nullptr;
    for (auto it = FConnections.begin(); it != FConnections.end(); ++it) {
        if (it->get() == Connection) {
            FConnections.erase(it);
            return;
        }
    }
}

TWsConnection* TApdDeviceSocket::FindConnection(TSocket Socket)
{
    std::lock_guard<std::recursive_mutex> lock(FListLock);
    if (Socket == INVALID_SOCKET)
        return nullptr;
    if (FLastConnection && Socket == FLastSocket)
        return FLastConnection;
    for (auto& c : FConnections) {
        if (c->DataSocket == Socket || c->OwnSocket == Socket) {
            FLastSocket = Socket;
            FLastConnection = c.get();
            return c.get();
        }
    }
    return nullptr;
}

TWsConnection* TApdDeviceSocket::FindSerial(uint64_t Serial)
{
    std::lock_guard<std::recursive_mutex> lock(FListLock);
    for (auto& c : FConnections)
        if (c->Serial == Serial)
            return c.get();
    return nullptr;
}

TSocket TApdDeviceSocket::TweakSocket(TSocket Socket)
{
    TWsConnection* c = FindConnection(Socket);
    return c ? c->OwnSocket : INVALID_SOCKET;
}

int32_t TApdDeviceSocket::DispatcherNotice(TSocket Socket, int32_t LParam)
{
    TApdWinsockDispatcher* d = dispatcherOf(Socket);
    if (!d || !d->DispatcherWindow)
        return 0;
    return SendMessage(d->DispatcherWindow->Handle(), wmApdSocket, uint32_t(Socket), LParam);
}

int32_t TApdDeviceSocket::DoWsMessage(TSocket Socket, uint32_t Event, int32_t LParam)
{
    TApdWinsockDispatcher* d = dispatcherOf(Socket);
    if (!d)
        return 0;
    auto* port = qobject_cast<TApdCustomComPort*>(d->Owner);
    const HWND wnd = port ? port->WindowHandle() : 0;
    if (!wnd)
        return 0;
    // Event-busy keeps a close asked for by the port's handler from freeing the dispatcher
    // under this call; the close is finished here once the handler has returned.
    bool wasBusy = false;
    d->SetEventBusy(wasBusy, true);
    const int32_t reply = SendMessage(wnd, wmApdSocket, Event, LParam);
    bool busy = false;
    d->SetEventBusy(busy, wasBusy);
    if (d->ClosePending && !d->EventBusy())
        d->DonePortPrim();
    return reply;
}

void TApdDeviceSocket::DoAccept(TSocket Socket)
{
    TWsConnection* c = FindConnection(Socket);
    if (c && c->Dispatcher) {
        TApdWinsockDispatcher* d = c->Dispatcher;
        if (c->DataSocket != INVALID_SOCKET) {
            // One client at a time: a second one is let in and sent away at once.
            TSockAddrIn peer;
            const TSocket extra = AcceptSocket(Socket, peer);
            if (extra != INVALID_SOCKET)
                SockFuncs.closesocket(extra);
            return;
        }
        const TSocket accepted = AcceptSocket(Socket, d->RemoteAddress);
        if (accepted == INVALID_SOCKET) {
            d->RemoteAddress = TSockAddrIn();
            return;
        }
        c->DataSocket = accepted;
        const uint64_t serial = c->Serial;
        const int32_t reply = DoWsMessage(Socket, wsEventAccept, int32_t(d->RemoteAddress.sin_addr));
        // The port may have closed meanwhile, and its connection with it.
        c = FindSerial(serial);
        if (!c) {
            SockFuncs.closesocket(accepted);
        } else if (reply != 1) {
            SockFuncs.closesocket(accepted);
            c->DataSocket = INVALID_SOCKET;
            if (c->Dispatcher)
                c->Dispatcher->RemoteAddress = TSockAddrIn();
        } else {
            c->SetState(wcsConnected);
        }
    }
    TApdSocket::DoAccept(Socket);
}

void TApdDeviceSocket::DoConnect(TSocket Socket)
{
    if (TWsConnection* c = FindConnection(Socket)) {
        c->SetState(wcsConnected);
        if (c->IsClient)
            c->DataSocket = Socket;
        DoWsMessage(c->OwnSocket, wsEventConnect, 0);
    }
    TApdSocket::DoConnect(Socket);
}

void TApdDeviceSocket::DoDisconnect(TSocket Socket)
{
    if (TWsConnection* c = FindConnection(Socket)) {
        if (c->Dispatcher)
            c->Dispatcher->RemoteAddress = TSockAddrIn();
        c->DataSocket = INVALID_SOCKET;
        c->SetState(wcsInit);
        const TSocket own = c->OwnSocket;
        if (Socket != own) {
            DoWsMessage(own, wsEventAcceptedClosed, 0);
            SockFuncs.closesocket(Socket);
        } else {
            DoWsMessage(own, wsEventClosed, 0);
        }
    }
    TApdSocket::DoDisconnect(Socket);
}

void TApdDeviceSocket::DoError(TSocket Socket, int ErrCode)
{
    TWsConnection* c = FindConnection(Socket);
    const TSocket own = c ? c->OwnSocket : INVALID_SOCKET;
    if (own != INVALID_SOCKET) {
        const uint64_t serial = c->Serial;
        const bool acceptedEnded = Socket != own && Socket == c->DataSocket && resetsConnection(ErrCode);
        DoWsMessage(own, uint32_t(ErrCode), 0);
        // A server's client that was reset is gone: free its socket so the next can come in.
        if (acceptedEnded) {
            c = FindSerial(serial);
            if (c && c->DataSocket == Socket) {
                c->DataSocket = INVALID_SOCKET;
                c->SetState(wcsInit);
                if (c->Dispatcher)
                    c->Dispatcher->RemoteAddress = TSockAddrIn();
            }
            SockFuncs.closesocket(Socket);
        }
    }
    if (OnWsError)
        OnWsError(this, Socket, ErrCode);
}

void TApdDeviceSocket::DoRead(TSocket Socket)
{
    const TSocket own = TweakSocket(Socket);
    if (own != INVALID_SOCKET)
        DispatcherNotice(own, 0);
    TApdSocket::DoRead(Socket);
}

// ---- Dispatcher ----

TApdWinsockDispatcher::TApdWinsockDispatcher(QObject* Owner) : TApdBaseDispatcher(Owner) {}

TApdWinsockDispatcher::~TApdWinsockDispatcher()
{
    CloseForDestroy();
    if (DispatcherWindow)
        DispatcherWindow.release()->deleteLater();
}

TWsConnection* TApdWinsockDispatcher::Connection() const
{
    return ComHandle < 0 ? nullptr : ApdDeviceSocket().FindConnection(ComHandle);
}

void TApdWinsockDispatcher::InitSocketData(int32_t, TInAddr Address, uint16_t Port, bool Client, bool Telnet)
{
    IsClient = Client;
    IsTelnet = Telnet;
    RemoteAddress = TSockAddrIn();
    RemoteAddress.sin_port = Port;
    RemoteAddress.sin_addr = Address;
    LocalAddress = TSockAddrIn();
    LocalAddress.sin_port = Client ? 0 : Port;
}

int TApdWinsockDispatcher::InitSocket(int InSize, int OutSize)
{
    if (ComHandle >= 0 || DispActive)
        return ecAlreadyOpen;
    const int handle = OpenCom(DeviceName, InSize, OutSize);
    if (handle < 0)
        return handle;
    ComHandle = handle;
    if (!SetupCom(InSize, OutSize)) {
        const int err = SetupError ? SetupError : wsaEInVal;
        DonePort();
        return -err;
    }
    PrepareOpen(InSize, OutSize);
    StartDispatcher();
    return 0;
}

int TApdWinsockDispatcher::OpenCom(const QString&, int InQueue, int OutQueue)
{
    TApdDeviceSocket& ds = ApdDeviceSocket();
    if (ds.StartupError() != 0)
        return -ds.StartupError();
    ds.LockList();
    auto conn = std::make_unique<TWsConnection>(InQueue, OutQueue);
    if (conn->OwnSocket == INVALID_SOCKET) {
        ds.UnLockList();
        return -SockFuncs.WSAGetLastError();
    }
    conn->Dispatcher = this;
    const TSocket s = ds.AddConnection(std::move(conn))->OwnSocket;
    ds.UnLockList();
    return s;
}

int TApdWinsockDispatcher::CloseCom()
{
    TApdDeviceSocket& ds = ApdDeviceSocket();
    ds.LockList();
    TWsConnection* c = ds.FindConnection(ComHandle);
    int res = -1;
    if (c) {
        c->Shutdown();
        ds.FreeConnection(c);
        res = 0;
    }
    ds.UnLockList();
    return res;
}

bool TApdWinsockDispatcher::SetupCom(int, int)
{
    TWsConnection* c = Connection();
    if (!c)
        return false;
    const TSocket s = c->OwnSocket;
    const auto failed = [this](int r) {
        if (r != SOCKET_ERROR)
            return false;
        const int err = SockFuncs.WSAGetLastError();
        if (err == wsaEWouldBlock)
            return false;
        SetupError = err;
        return true;
    };
    SetupError = 0;
    const int32_t on = -1;
    if (failed(SockFuncs.setsockopt(s, SOL_SOCKET_WS, SO_REUSEADDR_WS, reinterpret_cast<const char*>(&on), 4)) ||
        failed(SockFuncs.bind(s, &LocalAddress, sizeof LocalAddress)) ||
        failed(SockFuncs.WSAAsyncSelect(s, ApdDeviceSocket().Handle(), wmApdSocket, kSelectEvents)))
        return false;
    if (IsClient ? failed(SockFuncs.connect(s, &RemoteAddress, sizeof RemoteAddress))
                 : failed(SockFuncs.listen(s, kBacklog)))
        return false;
    c->IsClient = IsClient;
    c->IsTelnet = IsTelnet;
    c->Dispatcher = this;
    return true;
}

void TApdWinsockDispatcher::StartDispatcher()
{
    if (DispActive)
        throw EAPDException(QStringLiteral("Dispatcher already started"));
    DispActive = true;
    if (!FTimer) {
        FTimer = std::make_unique<QTimer>();
        QObject::connect(FTimer.get(), &QTimer::timeout, [this] { Dispatcher(0, false, int32_t(AdTimeGetTime())); });
    }
    FTimer->start(kPollMs);
    CreateDispatcherWindow();
    // Found by its handle, the socket, so a message for a closed port finds nothing.
    DispatcherWindow->SetWndProc([](uint32_t Msg, uint32_t wParam, int32_t lParam) -> int32_t {
        if (Msg != wmApdSocket)
            return 0;
        if (TApdWinsockDispatcher* d = dispatcherOf(TSocket(wParam)))
            return d->Dispatcher(wmApdSocket, false, lParam);
        return 0;
    });
}

void TApdWinsockDispatcher::StopDispatcher()
{
    if (!DispActive)
        return;
    if (FTimer)
        FTimer->stop();
    // It may be the window whose message is running now.
    if (DispatcherWindow)
        DispatcherWindow.release()->deleteLater();
    DispActive = false;
}

int TApdWinsockDispatcher::Dispatcher(uint32_t, bool PollOnly, int32_t)
{
    if (FInDispatcher)
        return 0;
    FInDispatcher = true;
    if (!ClosePending) {
        RefreshStatus();
        bool received;
        {
            std::lock_guard<std::recursive_mutex> lock(OutLock);
            received = ComStatus.cbInQue > 0;
        }
        if (received)
            ExtractData();
        if (!PollOnly && !EventBusy()) {
            {
                std::lock_guard<std::recursive_mutex> lock(MainLock);
                StatHit = false;
            }
            for (int round = 0; round < 1000 && !ClosePending && CheckTriggers(); ++round) {
            }
            bool hit;
            {
                std::lock_guard<std::recursive_mutex> lock(MainLock);
                hit = StatHit;
            }
            if (hit)
                ResetStatusHits();
        } else {
            std::lock_guard<std::recursive_mutex> lock(MainLock);
            AddDispatchEntry(dtError, dstNone, 0, nullptr, 0);
        }
    }
    FInDispatcher = false;
    if (ClosePending && !EventBusy())
        DonePortPrim();
    return 0;
}

// ---- Device operations ----

int TApdWinsockDispatcher::FlushCom(int Queue)
{
    if (TWsConnection* c = Connection()) {
        if (Queue == 0)
            c->FlushOutBuffer();
        else
            c->FlushInBuffer();
    }
    return 0;
}

int TApdWinsockDispatcher::GetComError(TComStat& Stat)
{
    Stat = TComStat();
    if (TWsConnection* c = Connection()) {
        Stat.cbInQue = uint32_t(c->GetInChars());
        Stat.cbOutQue = uint32_t(c->GetOutChars());
    }
    // Line errors do not exist on a socket, and its error numbers travel by notification:
    // taken as line-error flags they would light errors that never happened.
    return 0;
}

int TApdWinsockDispatcher::GetComState(TDCB& Dcb)
{
    Dcb.BaudRate = 19200;
    Dcb.ByteSize = 8;
    Dcb.Parity = 0;
    Dcb.StopBits = 1;
    return 0;
}

int TApdWinsockDispatcher::ReadCom(char* Buf, int Size)
{
    // Bytes already taken from the socket are delivered also after the peer closed.
    TWsConnection* c = Connection();
    return c ? c->ReadBuf(Buf, Size) : 0;
}

int TApdWinsockDispatcher::WriteCom(const char* Buf, int Size)
{
    TWsConnection* c = Connection();
    return c ? c->WriteBuf(Buf, Size) : 0;
}
