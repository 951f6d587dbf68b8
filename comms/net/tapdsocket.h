#pragma once
#include "comms/core/exception.h"
#include "comms/core/tapdbasecomponent.h"
#include "comms/net/winsocktable.h"

#include <QString>
#include <functional>
#include <memory>

class THiddenWindow;

enum TWsMode { wsClient, wsServer };

using TWsNotifyEvent = std::function<void(QObject* Sender, TSocket Socket)>;
using TWsSocketErrorEvent = std::function<void(QObject* Sender, TSocket Socket, int ErrCode)>;

class EApdSocketException : public Exception {
public:
    // "Winsock not initialized - " and the text of Code (the start-up failure).
    EApdSocketException(int Code, const QString& Text);
    // The text of Code's low 16 bits.
    explicit EApdSocketException(int Code);
    int32_t ErrorCode = 0;
};

// The socket component: starts the sockets interface, owns a hidden window that receives the
// asynchronous notifications (message 0xB11) and turns them into DoAccept, DoConnect,
// DoDisconnect, DoRead, DoWrite and DoError (and the events of the same names), and wraps the
// socket calls so that a failure is reported through DoError. Would-block results of
// connect, listen, recv, send and shutdown are normal and report nothing.
//
// Thread rules: user-interface thread only. A handler may close its socket (CloseSocket) or
// free the component that owns this one, but must not delete this TApdSocket itself from
// inside one of its own events.
class TApdSocket : public TApdBaseComponent {
    Q_OBJECT
public:
    explicit TApdSocket(QObject* Owner = nullptr);
    ~TApdSocket() override;

    // ---- Socket calls; failures go to DoError (except CreateSocket, which raises) ----
    TSocket CreateSocket();
    int BindSocket(TSocket Socket, const TSockAddrIn& Addr);
    int ConnectSocket(TSocket Socket, const TSockAddrIn& Addr);
    int ListenSocket(TSocket Socket, int Backlog);
    TSocket AcceptSocket(TSocket Socket, TSockAddrIn& Addr);
    int ReadSocket(TSocket Socket, char* Buf, int Len, int Flags);   // count or -1
    int WriteSocket(TSocket Socket, const char* Buf, int Len, int Flags);  // count or -1
    int ShutdownSocket(TSocket Socket, int How);
    int CloseSocket(TSocket Socket);
    int SetAsyncStyles(TSocket Socket, int32_t Styles);
    int SetSocketOptions(TSocket Socket, int Level, int OptName, const void* OptVal, int OptLen);
    // Waits at most TimeoutMs for the socket to become readable (writable); reports nothing.
    bool CanReadSocket(TSocket Socket, int TimeoutMs);
    bool CanWriteSocket(TSocket Socket, int TimeoutMs);

    // ---- Conversions and look-ups ----
    uint32_t htonl(uint32_t HostLong);
    uint16_t htons(uint16_t HostShort);
    uint32_t ntohl(uint32_t NetLong);
    uint16_t ntohs(uint16_t NetShort);
    QString NetAddr2String(TInAddr Addr);
    // The address of a dotted text (the whole text), INADDR_NONE_WS (-1) for anything else.
    TInAddr String2NetAddr(const QString& S);
    TInAddr LookupName(const QString& Name);  // first address, 0 when it does not resolve
    QString LookupAddress(TInAddr Addr);      // host name, empty when none
    QString LookupPort(uint16_t Port);        // service name, empty when none
    uint16_t LookupService(const QString& Service);  // port (host order) of a tcp service, 0 when none

    // Raises EApdSocketException when the interface could not be started.
    void CheckLoaded();

    // ---- Properties ----
    HWND Handle() const;
    QString Description() const { return QString::fromLatin1(FWSAData.szDescription); }
    QString SystemStatus() const { return QString::fromLatin1(FWSAData.szSystemStatus); }
    int LastError();
    QString LocalHost();
    QString LocalAddress();
    int StartupError() const { return FStartupError; }

    // ---- Events ----
    TWsNotifyEvent OnWsAccept, OnWsConnect, OnWsDisconnect, OnWsRead, OnWsWrite;
    TWsSocketErrorEvent OnWsError;

    // ---- Notification ----
    virtual void DoAccept(TSocket Socket);
    virtual void DoConnect(TSocket Socket);
    virtual void DoDisconnect(TSocket Socket);
    // Calls OnWsError, or raises EApdSocketException for ErrCode when there is none.
    virtual void DoError(TSocket Socket, int ErrCode);
    virtual void DoRead(TSocket Socket);
    virtual void DoWrite(TSocket Socket);

protected:
    virtual void ShowErrorMessage(int Code) {}
    virtual int32_t WndProc(uint32_t Msg, uint32_t wParam, int32_t lParam);
    // Reports the last error of a failed call unless it is a would-block (when IgnoreWouldBlock).
    void ReportLastError(TSocket Socket, bool IgnoreWouldBlock);

private:
    std::unique_ptr<THiddenWindow> FWindow;
    bool FLoaded = false;
    int32_t FStartupError = 0;
    TWSAData FWSAData;
};
