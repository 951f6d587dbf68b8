#include "comms/net/tapdwinsockport.h"

#include "comms/core/adexcept.h"
#include "comms/core/appexceptionhook.h"
#include "comms/core/oomisc.h"
#include "comms/net/tapdwinsockdispatcher.h"

#include <QElapsedTimer>
#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

namespace {

constexpr int kMaxLocalAddresses = 256;

// Leading and trailing blanks and control characters go.
QString trimmed(const QString& S)
{
    int from = 0, to = int(S.size());
    while (from < to && S[from].unicode() <= ' ')
        ++from;
    while (to > from && S[to - 1].unicode() <= ' ')
        --to;
    return S.mid(from, to - from);
}

bool endsConnection(int Code)
{
    return Code == wsaENetReset || Code == wsaEConnAborted || Code == wsaEConnReset || Code == wsaEConnRefused;
}

// A client whose connect failed in any way can never connect: it closes as on a refusal.
bool closesClient(int Code)
{
    return endsConnection(Code) || Code == wsaETimedOut || Code == wsaENetUnreach || Code == wsaEHostUnreach;
}

}  // namespace

TApdCustomWinsockPort::TApdCustomWinsockPort(QObject* Owner) : TApdCustomComPort(Owner)
{
    AllowedDeviceLayers.include(dlWinsock);
    ListLocalAddresses();
}

TApdCustomWinsockPort::~TApdCustomWinsockPort()
{
    // The port closes before this part of it goes: the base destructor no longer reaches it.
    try {
        if (PortState() == psOpen)
            SetOpen(false);
    } catch (const std::exception& e) {
        ApplicationHandleException(e);
    }
}

TApdWinsockDispatcher* TApdCustomWinsockPort::WinsockDispatcher() const
{
    return dynamic_cast<TApdWinsockDispatcher*>(const_cast<TApdCustomWinsockPort*>(this)->Dispatcher());
}

// ---- Properties ----

void TApdCustomWinsockPort::SetWsAddress(const QString& Value)
{
    if (Value == FWsAddress)
        return;
    if (PortState() == psOpen)
        throw EApdSocketException(ecADWSCANTCHANGE);
    FWsAddress = trimmed(Value);
}

void TApdCustomWinsockPort::SetWsPort(const QString& Value)
{
    if (Value == FWsPort)
        return;
    if (PortState() == psOpen)
        throw EApdSocketException(ecADWSCANTCHANGE);
    FWsPort = trimmed(Value);
}

void TApdCustomWinsockPort::SetWsMode(TWsMode Value)
{
    if (Value == FWsMode)
        return;
    if (PortState() == psOpen)
        throw EApdSocketException(ecADWSCANTCHANGE);
    FWsMode = Value;
}

QStringList TApdCustomWinsockPort::WsLocalAddresses()
{
    ListLocalAddresses();
    return FWsLocalAddresses;
}

void TApdCustomWinsockPort::ListLocalAddresses()
{
    FWsLocalAddresses.clear();
    if (!WinsockModule() && !LoadWinsock())
        return;
    // The interfaces' own IPv4 addresses: a host name need not resolve to them.
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0)
        return;
    for (ifaddrs* p = list; p && FWsLocalAddresses.size() < kMaxLocalAddresses; p = p->ifa_next) {
        if (!p->ifa_addr || p->ifa_addr->sa_family != AF_INET || !(p->ifa_flags & IFF_UP))
            continue;
        const auto* a = reinterpret_cast<const uint8_t*>(&reinterpret_cast<const sockaddr_in*>(p->ifa_addr)->sin_addr);
        const QString text = QString::asprintf("%d.%d.%d.%d", a[0], a[1], a[2], a[3]);
        if (!FWsLocalAddresses.contains(text))
            FWsLocalAddresses.append(text);
    }
    ::freeifaddrs(list);
}

void TApdCustomWinsockPort::SetUseMSRShadow(bool Value)
{
    TApdCustomComPort::SetUseMSRShadow(Value);
    if (DeviceLayer() == dlWinsock)
        StoreUseMSRShadow(false);
}

// ---- Device layer ----

TApdBaseDispatcher* TApdCustomWinsockPort::ActivateDeviceLayer()
{
    if (DeviceLayer() == dlWinsock && !CustomDispatcher)
        return new TApdWinsockDispatcher(this);
    return TApdCustomComPort::ActivateDeviceLayer();
}

void TApdCustomWinsockPort::DeviceLayerChanged()
{
    if (DeviceLayer() == dlWinsock) {
        SetTapiMode(tmOff);
        SetUseMSRShadow(false);
    } else {
        SetTapiMode(tmAuto);
    }
}

void TApdCustomWinsockPort::ValidateComport()
{
    if (DeviceLayer() != dlWinsock)
        TApdCustomComPort::ValidateComport();
}

uint16_t TApdCustomWinsockPort::ResolvePort()
{
    bool number = false;
    const uint32_t n = FWsPort.toUInt(&number, 10);
    if (number)
        return n >= 1 && n <= 65535 ? uint16_t(n) : 0;
    return FWsPort.isEmpty() ? 0 : ApdDeviceSocket().LookupService(FWsPort);
}

TInAddr TApdCustomWinsockPort::ResolveAddress(const QString& Host)
{
    TApdDeviceSocket& ds = ApdDeviceSocket();
    const TInAddr a = ds.String2NetAddr(Host);
    return a != INADDR_NONE_WS ? a : ds.LookupName(Host);
}

bool TApdCustomWinsockPort::ReportOrRaise(int Code)
{
    if (!OnWsError)
        throw EApdSocketException(Code);
    OnWsError(this, Code);
    return true;
}

int TApdCustomWinsockPort::InitializePort()
{
    TApdWinsockDispatcher* d = dynamic_cast<TApdWinsockDispatcher*>(Dispatcher());
    if (DeviceLayer() != dlWinsock || !d)
        return TApdCustomComPort::InitializePort();
    FConnected = false;
    FConnectDeferred = false;
    TInAddr address = INADDR_ANY_WS;
    if (FWsMode == wsServer) {
        d->DeviceName = QStringLiteral("Winsock server on port %1").arg(FWsPort);
    } else {
        d->DeviceName = QStringLiteral("Winsock client, connect to %1 on port %2").arg(FWsAddress, FWsPort);
        if (FWsAddress.isEmpty())
            throw EApdSocketException(wsaEDestAddrReq);
        if (FSocksInfo.SocksVersion != svNone)
            return OpenThroughSocks();
        address = ResolveAddress(FWsAddress);
        if (address == 0) {
            ReportOrRaise(ecADWSCANTRESOLVE);
            return -ecADWSCANTRESOLVE;
        }
    }
    const uint16_t port = ResolvePort();
    if (port == 0)
        throw EApdSocketException(ecADWSINVPORT);
    d->InitSocketData(FWsLocalAddressIndex, address, htons(port), FWsMode == wsClient, FWsTelnet);
    const int res = d->InitSocket(InSize(), OutSize());
    if (res < 0)
        throw EApdSocketException(-res);
    return 0;
}

// ---- Open, close and the port window ----

void TApdCustomWinsockPort::PortOpen()
{
    if (DeviceLayer() == dlWinsock && FWsMode == wsClient && FSocksInfo.SocksVersion != svNone)
        NegotiateSocks();
    TApdCustomComPort::PortOpen();
}

void TApdCustomWinsockPort::PortClose()
{
    TApdCustomComPort::PortClose();
    if (DeviceLayer() == dlWinsock)
        DoDisconnect();
}

int32_t TApdCustomWinsockPort::WndProc(uint32_t Msg, uint32_t wParam, int32_t lParam)
{
    if (Msg != wmApdSocket && Msg != wmApdSocketClose) {
        // The proxy's replies are the negotiation's, not data for the port's handlers.
        if (FNegotiating && Msg >= wmTriggerAvail && Msg <= wmTriggerStatus)
            return 0;
        return TApdCustomComPort::WndProc(Msg, wParam, lParam);
    }
    try {
        if (Msg == wmApdSocketClose) {
            if (FNegotiating)
                FinishSocks(FSocksError ? FSocksError : wsaENotConn, FSocksErrorReported);
            else
                SetOpen(false);
            return 0;
        }
        switch (wParam) {
        case wsEventAccept: return DoAccept(TInAddr(lParam)) ? 1 : 0;
        case wsEventConnect: DoConnect(); break;
        case wsEventClosed: PostMessage(WindowHandle(), wmApdSocketClose, 0, 0); break;
        case wsEventAcceptedClosed: DoDisconnect(); break;
        default: DoError(int(wParam)); break;
        }
    } catch (const std::exception& e) {
        ApplicationHandleException(e);
    }
    return 0;
}

// ---- Connection events ----

bool TApdCustomWinsockPort::DoAccept(TInAddr Addr)
{
    bool accept = true;
    if (OnWsAccept)
        OnWsAccept(this, Addr, accept);
    if (accept)
        FConnected = true;
    return accept;
}

void TApdCustomWinsockPort::DoConnect()
{
    if (FNegotiating) {
        // Connected to the proxy only: the connection is the destination's once SOCKS is done.
        FConnectDeferred = true;
        return;
    }
    FConnected = true;
    if (OnWsConnect)
        OnWsConnect(this);
}

void TApdCustomWinsockPort::DoDisconnect()
{
    if (!FConnected && FWsMode != wsServer) {
        FConnected = false;
        return;
    }
    if (OnWsDisconnect)
        OnWsDisconnect(this);
    FConnected = false;
}

void TApdCustomWinsockPort::DoError(int ErrCode)
{
    if (FWsMode == wsServer) {
        if (endsConnection(ErrCode))
            DoDisconnect();
    } else if (closesClient(ErrCode)) {
        if (FNegotiating)
            FinishSocks(ErrCode, bool(OnWsError));
        PostMessage(WindowHandle(), wmApdSocketClose, 0, 0);
    }
    if (OnWsError)
        OnWsError(this, ErrCode);
}
