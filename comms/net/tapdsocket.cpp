#include "comms/net/tapdsocket.h"

#include "comms/core/adexcept.h"
#include "comms/core/appexceptionhook.h"
#include "comms/core/thiddenwindow.h"

#include <cstring>

namespace {
constexpr int kHostNameSize = 256;
constexpr uint32_t wmQueryEndSession = 17;
}  // namespace

EApdSocketException::EApdSocketException(int Code, const QString& Text)
    : Exception(LnkrLoadStr(int16_t(ecADWSNOTINIT)).replace(QLatin1String("%s"), Text)), ErrorCode(Code)
{
}

EApdSocketException::EApdSocketException(int Code)
    : Exception(LnkrLoadStr(int16_t(uint16_t(uint32_t(Code) & 0xFFFF)))), ErrorCode(Code)
{
}

TApdSocket::TApdSocket(QObject* Owner) : TApdBaseComponent(Owner)
{
    FLoaded = LoadWinsock();
    if (!FLoaded) {
        ShowErrorMessage(ecADWSLOADERROR);
        FStartupError = ecADWSLOADERROR;
        return;
    }
    FStartupError = SockFuncs.WSAStartup(0x0101, &FWSAData);
    if (FStartupError != 0) {
        ShowErrorMessage(FStartupError);
        return;
    }
    if (FWSAData.wVersion != 0x0101) {
        FStartupError = ecADWSVERSIONERROR;
        ShowErrorMessage(ecADWSVERSIONERROR);
    }
    FWindow = std::make_unique<THiddenWindow>(QStringLiteral("TApdSocket"));
    FWindow->SetWndProc([this](uint32_t Msg, uint32_t wParam, int32_t lParam) { return WndProc(Msg, wParam, lParam); });
}

TApdSocket::~TApdSocket()
{
    if (FLoaded && FWindow) {
        SockFuncs.WSACancelBlockingCall();
        SockFuncs.WSACleanup();
    }
}

HWND TApdSocket::Handle() const { return FWindow ? FWindow->Handle() : 0; }

void TApdSocket::CheckLoaded()
{
    if (FStartupError != 0)
        throw EApdSocketException(FStartupError, LnkrLoadStr(int16_t(FStartupError)));
}

int32_t TApdSocket::WndProc(uint32_t Msg, uint32_t wParam, int32_t lParam)
{
    if (Msg == wmQueryEndSession)
        return 1;
    if (Msg != wmApdSocket)
        return 0;
    const TSocket s = TSocket(wParam);
    // A notification has no caller to raise to: what it raises (DoError without an OnWsError
    // handler, or a handler's own exception) goes to the application's handler.
    try {
        if (const int err = wsaGetSelectError(lParam)) {
            DoError(s, err);
            return 0;
        }
        switch (wsaGetSelectEvent(lParam)) {
        case FD_ACCEPT: DoAccept(s); break;
        case FD_CONNECT: DoConnect(s); break;
        case FD_CLOSE: DoDisconnect(s); break;
        case FD_READ: DoRead(s); break;
        case FD_WRITE: DoWrite(s); break;
        default: break;
        }
    } catch (const std::exception& e) {
        ApplicationHandleException(e);
    }
    return 0;
}

void TApdSocket::DoAccept(TSocket Socket)
{
    if (OnWsAccept)
        OnWsAccept(this, Socket);
}
void TApdSocket::DoConnect(TSocket Socket)
{
    if (OnWsConnect)
        OnWsConnect(this, Socket);
}
void TApdSocket::DoDisconnect(TSocket Socket)
{
    if (OnWsDisconnect)
        OnWsDisconnect(this, Socket);
}
void TApdSocket::DoRead(TSocket Socket)
{
    if (OnWsRead)
        OnWsRead(this, Socket);
}
void TApdSocket::DoWrite(TSocket Socket)
{
    if (OnWsWrite)
        OnWsWrite(this, Socket);
}
void TApdSocket::DoError(TSocket Socket, int ErrCode)
{
    if (OnWsError)
        OnWsError(this, Socket, ErrCode);
    else
        throw EApdSocketException(ErrCode);
}

void TApdSocket::ReportLastError(TSocket Socket, bool IgnoreWouldBlock)
{
    const int err = SockFuncs.WSAGetLastError();
    if (IgnoreWouldBlock && err == wsaEWouldBlock)
        return;
    DoError(Socket, err);
}

// ---- Socket calls ----

TSocket TApdSocket::CreateSocket()
{
    CheckLoaded();
    const TSocket s = SockFuncs.socket(AF_INET_WS, SOCK_STREAM_WS, 0);
    if (s == INVALID_SOCKET)
        throw EApdSocketException(SockFuncs.WSAGetLastError());
    return s;
}

int TApdSocket::BindSocket(TSocket Socket, const TSockAddrIn& Addr)
{
    CheckLoaded();
    const int r = SockFuncs.bind(Socket, &Addr, sizeof Addr);
    if (r == SOCKET_ERROR)
        ReportLastError(Socket, false);
    return r;
}

int TApdSocket::ConnectSocket(TSocket Socket, const TSockAddrIn& Addr)
{
    CheckLoaded();
    const int r = SockFuncs.connect(Socket, &Addr, sizeof Addr);
    if (r == SOCKET_ERROR)
        ReportLastError(Socket, true);
    return r;
}

int TApdSocket::ListenSocket(TSocket Socket, int Backlog)
{
    CheckLoaded();
    const int r = SockFuncs.listen(Socket, Backlog);
    if (r == SOCKET_ERROR)
        ReportLastError(Socket, true);
    return r;
}

TSocket TApdSocket::AcceptSocket(TSocket Socket, TSockAddrIn& Addr)
{
    CheckLoaded();
    int32_t len = sizeof Addr;
    const TSocket s = SockFuncs.accept(Socket, &Addr, &len);
    if (s == INVALID_SOCKET)
        ReportLastError(Socket, false);
    return s;
}

int TApdSocket::ReadSocket(TSocket Socket, char* Buf, int Len, int Flags)
{
    CheckLoaded();
    const int r = SockFuncs.recv(Socket, Buf, Len, Flags);
    if (r == SOCKET_ERROR)
        ReportLastError(Socket, true);
    return r;
}

int TApdSocket::WriteSocket(TSocket Socket, const char* Buf, int Len, int Flags)
{
    CheckLoaded();
    const int r = SockFuncs.send(Socket, Buf, Len, Flags);
    if (r == SOCKET_ERROR)
        ReportLastError(Socket, true);
    return r;
}

int TApdSocket::ShutdownSocket(TSocket Socket, int How)
{
    CheckLoaded();
    const int r = SockFuncs.shutdown(Socket, How);
    if (r == SOCKET_ERROR)
        ReportLastError(Socket, true);
    return r;
}

int TApdSocket::CloseSocket(TSocket Socket)
{
    CheckLoaded();
    const int r = SockFuncs.closesocket(Socket);
    if (r == SOCKET_ERROR)
        ReportLastError(Socket, false);
    return r;
}

int TApdSocket::SetAsyncStyles(TSocket Socket, int32_t Styles)
{
    CheckLoaded();
    const int r = SockFuncs.WSAAsyncSelect(Socket, Handle(), wmApdSocket, Styles);
    if (r == SOCKET_ERROR)
        ReportLastError(Socket, false);
    return r;
}

int TApdSocket::SetSocketOptions(TSocket Socket, int Level, int OptName, const void* OptVal, int OptLen)
{
    CheckLoaded();
    const int r = SockFuncs.setsockopt(Socket, Level, OptName, static_cast<const char*>(OptVal), OptLen);
    if (r == SOCKET_ERROR)
        ReportLastError(Socket, false);
    return r;
}

namespace {
bool waitOne(TSocket Socket, bool Write, int TimeoutMs)
{
    TFDSet set;
    set.fd_count = 1;
    set.fd_array[0] = Socket;
    TTimeVal tv;
    tv.tv_sec = TimeoutMs / 1000;
    tv.tv_usec = (TimeoutMs % 1000) * 1000;
    return SockFuncs.select(0, Write ? nullptr : &set, Write ? &set : nullptr, nullptr, &tv) > 0;
}
}  // namespace

bool TApdSocket::CanReadSocket(TSocket Socket, int TimeoutMs)
{
    CheckLoaded();
    return waitOne(Socket, false, TimeoutMs);
}

bool TApdSocket::CanWriteSocket(TSocket Socket, int TimeoutMs)
{
    CheckLoaded();
    return waitOne(Socket, true, TimeoutMs);
}

// ---- Conversions and look-ups ----

uint32_t TApdSocket::htonl(uint32_t HostLong)
{
    CheckLoaded();
    return SockFuncs.htonl(HostLong);
}
uint16_t TApdSocket::htons(uint16_t HostShort)
{
    CheckLoaded();
    return SockFuncs.htons(HostShort);
}
uint32_t TApdSocket::ntohl(uint32_t NetLong)
{
    CheckLoaded();
    return SockFuncs.ntohl(NetLong);
}
uint16_t TApdSocket::ntohs(uint16_t NetShort)
{
    CheckLoaded();
    return SockFuncs.ntohs(NetShort);
}

QString TApdSocket::NetAddr2String(TInAddr Addr)
{
    CheckLoaded();
    return QString::fromLatin1(SockFuncs.inet_ntoa(Addr));
}

TInAddr TApdSocket::String2NetAddr(const QString& S)
{
    CheckLoaded();
    return SockFuncs.inet_addr(S.toLatin1().constData());
}

TInAddr TApdSocket::LookupName(const QString& Name)
{
    CheckLoaded();
    const THostEnt* h = SockFuncs.gethostbyname(Name.toUtf8().constData());
    if (!h || !h->h_addr_list || !h->h_addr_list[0])
        return 0;
    TInAddr a;
    std::memcpy(&a, h->h_addr_list[0], 4);
    return a;
}

QString TApdSocket::LookupAddress(TInAddr Addr)
{
    CheckLoaded();
    const THostEnt* h = SockFuncs.gethostbyaddr(reinterpret_cast<const char*>(&Addr), 4, AF_INET_WS);
    return h && h->h_name ? QString::fromUtf8(h->h_name) : QString();
}

QString TApdSocket::LookupPort(uint16_t Port)
{
    CheckLoaded();
    const TServEnt* s = SockFuncs.getservbyport(SockFuncs.htons(Port), nullptr);
    return s && s->s_name ? QString::fromLatin1(s->s_name) : QString();
}

uint16_t TApdSocket::LookupService(const QString& Service)
{
    CheckLoaded();
    const TServEnt* s = SockFuncs.getservbyname(Service.toLatin1().constData(), "tcp");
    return s ? SockFuncs.ntohs(s->s_port) : 0;
}

int TApdSocket::LastError()
{
    CheckLoaded();
    return SockFuncs.WSAGetLastError();
}

QString TApdSocket::LocalHost()
{
    CheckLoaded();
    char name[kHostNameSize] = {};
    if (SockFuncs.gethostname(name, sizeof name) != 0)
        return QString();
    return QString::fromLatin1(name);
}

QString TApdSocket::LocalAddress()
{
    const QString host = LocalHost();
    if (host.isEmpty())
        return QString();
    const THostEnt* h = SockFuncs.gethostbyname(host.toLatin1().constData());
    if (!h || !h->h_addr_list || !h->h_addr_list[0])
        return QString();
    TInAddr a;
    std::memcpy(&a, h->h_addr_list[0], 4);
    return QString::fromLatin1(SockFuncs.inet_ntoa(a));
}
