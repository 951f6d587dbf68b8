#pragma once
#include "comms/core/adexcept.h"
#include "comms/serial/tapdcustomcomport.h"
#include "comms/net/tapdsocket.h"

#include <QStringList>
#include <functional>
#include <memory>

class TApdWinsockDispatcher;

// The close request of a winsock port's window (posted, so the close runs outside the
// socket notification that asked for it).
inline constexpr uint32_t wmApdSocketClose = 0xB12;

enum TApdSocksVersion { svNone, svSocks4, svSocks4a, svSocks5 };

using TWsAcceptEvent = std::function<void(QObject* Sender, TInAddr Addr, bool& Accept)>;
using TWsErrorEvent = std::function<void(QObject* Sender, int ErrCode)>;

// How long a SOCKS negotiation may take before it fails with 10060.
inline constexpr int SocksTimeoutMs = 30000;

class TApdSocksServerInfo {
public:
    QString Address;   // the proxy host
    QString Password;
    uint16_t Port = 0;
    TApdSocksVersion SocksVersion = svNone;
    QString UserCode;
};

// A port whose device is a TCP connection (DeviceLayer dlWinsock): a client that connects to
// WsAddress:WsPort (directly or through a SOCKS 4, 4a or 5 proxy) or a server that listens on
// WsPort and takes one client at a time. Reading, writing, triggers, data packets and the
// open/close notices work as for a serial port.
//
// Event order: Open := true returns with the socket connecting (or listening); then
// OnWsConnect (or OnWsAccept) from the event loop; data through the port's triggers; when
// the peer closes, the port closes itself one message later (0xB12): OnPortClose, then
// OnWsDisconnect. A refused, reset or aborted client connection goes to OnWsError and closes
// the port the same way.
//
// Thread rules: user-interface thread only. Any handler (a trigger event, OnWsConnect,
// OnWsError, ...) may set Open := false; the close then finishes when the event has returned.
// A handler must not delete the port itself; use deleteLater.
class TApdCustomWinsockPort : public TApdCustomComPort {
    Q_OBJECT
public:
    explicit TApdCustomWinsockPort(QObject* Owner = nullptr);
    ~TApdCustomWinsockPort() override;

    QString WsAddress() const { return FWsAddress; }
    void SetWsAddress(const QString& Value);  // 9006 while open; stored trimmed
    QString WsPort() const { return FWsPort; }
    void SetWsPort(const QString& Value);     // a number 1..65535 or a service name
    TWsMode WsMode() const { return FWsMode; }
    void SetWsMode(TWsMode Value);
    bool WsTelnet() const { return FWsTelnet; }
    void SetWsTelnet(bool Value) { FWsTelnet = Value; }
    // The PC's addresses, listed again on each read.
    QStringList WsLocalAddresses();
    void SetWsLocalAddresses(const QStringList& Value) { FWsLocalAddresses = Value; }
    int32_t WsLocalAddressIndex() const { return FWsLocalAddressIndex; }
    void SetWsLocalAddressIndex(int32_t Value) { FWsLocalAddressIndex = Value; }
    TApdSocksServerInfo& WsSocksServerInfo() { return FSocksInfo; }
    bool Connected() const { return FConnected; }
    // How long the SOCKS negotiation may take (milliseconds) before the open fails with 10060.
    int SocksWaitMs = SocksTimeoutMs;

    TWsAcceptEvent OnWsAccept;
    TNotifyEvent OnWsConnect, OnWsDisconnect;
    TWsErrorEvent OnWsError;

    void SetUseMSRShadow(bool Value) override;
    TApdWinsockDispatcher* WinsockDispatcher() const;

protected:
    virtual bool DoAccept(TInAddr Addr);
    virtual void DoConnect();
    virtual void DoDisconnect();
    virtual void DoError(int ErrCode);

    TApdBaseDispatcher* ActivateDeviceLayer() override;
    void DeviceLayerChanged() override;
    int InitializePort() override;
    void ValidateComport() override;
    void PortOpen() override;
    void PortClose() override;
    int32_t WndProc(uint32_t Msg, uint32_t wParam, int32_t lParam) override;
    // The destination port of WsPort (host order); 0 when it is not valid.
    virtual uint16_t ResolvePort();

private:
    void ListLocalAddresses();
    // The address of Host, 0 when it does not resolve.
    TInAddr ResolveAddress(const QString& Host);
    // Reports Code through OnWsError (true) or raises it.
    bool ReportOrRaise(int Code);
    int OpenThroughSocks();
    void NegotiateSocks();
    void SocksReply(const QByteArray& Data);
    void ExpectSocksReply(int Stage, int Size);
    void SendSocksRequest5();
    // Ends the negotiation with Code (0 success); Reported when OnWsError has heard it.
    void FinishSocks(int Code, bool Reported = false);

    QString FWsAddress;
    TWsMode FWsMode = wsClient;
    QString FWsPort = QStringLiteral("telnet");
    bool FWsTelnet = true;
    QStringList FWsLocalAddresses;
    int32_t FWsLocalAddressIndex = 0;
    TApdSocksServerInfo FSocksInfo;
    int FSocksStage = 0;
    int FSocksError = 0;
    int FSocksReplyError = 0;   // a SOCKS 5 refusal, reported once the reply is read
    bool FSocksErrorReported = false;
    bool FSocksFinished = false;
    int FSocksWant = 0;  // bytes of the awaited reply
    TInAddr FSocksDestAddr = 0;
    uint16_t FSocksDestPort = 0;
    bool FNegotiating = false;
    bool FConnectDeferred = false;
    bool FConnected = false;
};

class TApdWinsockPort : public TApdCustomWinsockPort {
    Q_OBJECT
public:
    using TApdCustomWinsockPort::TApdCustomWinsockPort;
};
