#pragma once
#include "comms/dispatch/tapdbasedispatcher.h"
#include "comms/net/tapdsocket.h"

#include <QByteArray>
#include <memory>
#include <mutex>
#include <vector>

class QTimer;
class TApdWinsockDispatcher;

enum TWsConnectionState { wcsInit, wcsConnected };
enum TTelnetOpt { tnoFalse, tnoNegotiating, tnoTrue };

// The dispatcher option bit that says the connection is up.
inline constexpr uint32_t dispOptConnected = 128;

// Event values of the 0xB11 message that the device socket sends to a port's window (the
// wParam); any other value is a Windows Sockets error code.
inline constexpr uint32_t wsEventAccept = 8;
inline constexpr uint32_t wsEventConnect = 16;
inline constexpr uint32_t wsEventClosed = 32;          // the port's own connection ended
inline constexpr uint32_t wsEventAcceptedClosed = 48;  // a server's accepted connection ended

// Telnet bytes.
inline constexpr uint8_t TelnetIAC = 255, TelnetDONT = 254, TelnetDO = 253, TelnetWONT = 252, TelnetWILL = 251,
                         TelnetSB = 250, TelnetSE = 240;
inline constexpr uint8_t TelnetOptBinary = 0, TelnetOptEcho = 1, TelnetOptSGA = 3, TelnetOptTermType = 24;

// One open socket port: its socket(s), an input ring that the data socket is read into, an
// output ring that WriteBuf fills and sends from, and the telnet processing of both
// directions. Owned by the device socket from OpenCom to CloseCom.
class TWsConnection {
public:
    TWsConnection(int InSize, int OutSize);
    ~TWsConnection();

    // Moves received bytes into the input ring, then delivers up to Size bytes (telnet
    // sequences interpreted); Size 0 only refills. Returns the bytes delivered.
    int ReadBuf(char* Buf, int Size);
    // Takes up to Len bytes into the output ring (telnet: 255 doubled, a lone CR as CR NUL)
    // and sends what the socket accepts. Returns the bytes taken from Buf.
    int WriteBuf(const char* Buf, int Len);
    int GetInChars();
    int GetOutChars();
    void FlushInBuffer();
    void FlushOutBuffer();
    void SetState(TWsConnectionState State);
    void Shutdown();  // closes the data socket of a server, then the own socket

    const uint64_t Serial;  // tells a connection from a later one at the same address
    int32_t PendingOutput = 0;
    TSocket DataSocket = INVALID_SOCKET;
    TApdWinsockDispatcher* Dispatcher = nullptr;
    TWsConnectionState ConnState = wcsInit;
    bool IsClient = true;
    bool IsTelnet = false;
    TSocket OwnSocket = INVALID_SOCKET;
    TTelnetOpt OptBinary = tnoFalse, OptSGA = tnoFalse, OptEcho = tnoFalse;

private:
    bool ProcessCommands(char* Buf, int Size, int& Delivered);
    bool HandleCommand(uint8_t Command, uint8_t Option);
    void SendCommand(uint8_t Verb, uint8_t Option);
    void SendTerminal();
    void SendRaw(const char* Buf, int Len);
    int InUsed() const;
    uint8_t InAt(int Offset) const;  // byte Offset places after the command cursor
    void InSkip(int Count);
    void FillInput();
    void FlushOutput();
    void Log(int SubType, uint8_t Option, const QByteArray& Text = {});

    bool SkippingSB = false;  // inside a subnegotiation, up to its IAC
    // Rings count every byte ever put in or taken out (full and empty differ).
    std::vector<char> InBuf;
    uint64_t InHead = 0;  // next byte to deliver
    uint64_t InTail = 0;  // next free byte
    std::vector<char> OutBuf;
    uint64_t OutHead = 0;  // next byte to send
    uint64_t OutTail = 0;  // next free byte
};

// The process-wide socket of the winsock layer: owns every connection, receives every
// socket notification and forwards it to the port's window (0xB11, with the event values
// above) and to the dispatcher (which runs at once on a read notification).
//
// Thread rules: user-interface thread; the list lock guards the connection list and the
// look-up cache.
class TApdDeviceSocket : public TApdSocket {
    Q_OBJECT
public:
    explicit TApdDeviceSocket(QObject* Owner = nullptr);
    ~TApdDeviceSocket() override;

    TWsConnection* AddConnection(std::unique_ptr<TWsConnection> Connection);
    void FreeConnection(TWsConnection* Connection);
    TWsConnection* FindConnection(TSocket Socket);
    TWsConnection* FindSerial(uint64_t Serial);
    TSocket TweakSocket(TSocket Socket);
    void LockList() { FListLock.lock(); }
    void UnLockList() { FListLock.unlock(); }
    int32_t DoWsMessage(TSocket Socket, uint32_t Event, int32_t LParam);
    int32_t DispatcherNotice(TSocket Socket, int32_t LParam);

    void DoAccept(TSocket Socket) override;
    void DoConnect(TSocket Socket) override;
    void DoDisconnect(TSocket Socket) override;
    void DoError(TSocket Socket, int ErrCode) override;
    void DoRead(TSocket Socket) override;

    QByteArray TerminalType = "vt100";

private:
    std::recursive_mutex FListLock;
    std::vector<std::unique_ptr<TWsConnection>> FConnections;
    TSocket FLastSocket = INVALID_SOCKET;
    TWsConnection* FLastConnection = nullptr;
};

// The device socket, created on first use and freed when the application ends.
TApdDeviceSocket& ApdDeviceSocket();

// The dispatcher over one TCP connection: no worker threads; a 50 ms timer and the read
// notifications run Dispatcher on the user-interface thread, and a re-entry flag keeps it
// from running inside itself (a handler that pumps events). Its ComHandle is the
// connection's own socket, the value the notifications are routed by.
class TApdWinsockDispatcher : public TApdBaseDispatcher {
public:
    explicit TApdWinsockDispatcher(QObject* Owner);
    ~TApdWinsockDispatcher() override;

    // Stores the addresses (network order) and flags of the next InitSocket.
    void InitSocketData(int32_t LocalAddressIndex, TInAddr Address, uint16_t Port, bool IsClient, bool IsTelnet);
    // Opens: the connection and its socket, SetupCom (options, bind, selection, connect or
    // listen), the rings, triggers and time base, then the timer. 0 or a negative code
    // (the negated Windows Sockets number of a failed step).
    int InitSocket(int InSize, int OutSize);
    int Dispatcher(uint32_t Msg, bool PollOnly, int32_t LParam);
    TWsConnection* Connection() const;
    bool Started() const { return DispActive; }
    // Announces the received bytes again at the next run (after notices that nobody heard).
    void Reannounce() { LastLenPos = ~uint64_t(0); }

    int EscapeComFunction(int Func) override { return 0; }
    int FlushCom(int Queue) override;
    int GetComError(TComStat& Stat) override;
    int GetComEventMask(int EvtMask) override { return 0; }
    int GetComState(TDCB& Dcb) override;
    int ReadCom(char* Buf, int Size) override;
    int SetComState(TDCB& Dcb) override { return 0; }
    int WriteCom(const char* Buf, int Size) override;
    bool WaitComEvent(uint32_t& EvtMask) override { return true; }
    bool SetupCom(int InSize, int OutSize) override;
    void StartDispatcher() override;
    void StopDispatcher() override;
    int OpenCom(const QString& Name, int InQueue, int OutQueue) override;
    int CloseCom() override;
    int ProcessCommunications() override { return Dispatcher(0, true, 0); }

    TSockAddrIn RemoteAddress;
    TSockAddrIn LocalAddress;
    bool IsClient = true;
    bool IsTelnet = false;
    int32_t SetupError = 0;  // the Windows Sockets number of the step SetupCom failed at

private:
    bool FInDispatcher = false;
    std::unique_ptr<QTimer> FTimer;
};
