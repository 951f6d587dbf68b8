#pragma once
#include "comms/core/thiddenwindow.h"

#include <cstddef>
#include <cstdint>

// The socket function table: POSIX sockets behind the calls and the semantics of Windows
// Sockets 1.1, so the layers above (TApdSocket, the winsock dispatcher, the FTP client) never
// call the system directly.
//
// - Errors are the Windows Sockets numbers (adexcept.h), read with WSAGetLastError (kept per
//   thread); no raw errno ever leaves this unit.
// - Sockets are descriptors created with SOCK_CLOEXEC; send never raises SIGPIPE.
// - WSAAsyncSelect delivers Winsock's one-shot events (FD_READ, FD_WRITE, FD_ACCEPT,
//   FD_CONNECT, FD_CLOSE) to a hidden window: each event is delivered once and armed again
//   only when the socket is read, written (after a would-block) or accepted on again;
//   FD_CLOSE comes only after all received data has been read. The window is called directly
//   from the event loop (message wParam = the socket, lParam = event | error << 16). An
//   accepted socket inherits the selection of its listening socket.
//
// Thread rules: sockets with an asynchronous selection, WSAAsyncSelect and closesocket of such
// sockets belong to the user-interface thread. The other calls may be made from any thread.

using TSocket = int32_t;
inline constexpr TSocket INVALID_SOCKET = -1;
inline constexpr int SOCKET_ERROR = -1;

// Address family, socket type, levels and options as Windows Sockets numbers them.
inline constexpr int16_t AF_INET_WS = 2;
inline constexpr int SOCK_STREAM_WS = 1;
inline constexpr int SOCK_DGRAM_WS = 2;
inline constexpr int IPPROTO_TCP_WS = 6;
inline constexpr int SOL_SOCKET_WS = 0xFFFF;
inline constexpr int SO_REUSEADDR_WS = 0x0004;
inline constexpr int SO_KEEPALIVE_WS = 0x0008;
inline constexpr int SO_LINGER_WS = 0x0080;
inline constexpr int SO_SNDBUF_WS = 0x1001;
inline constexpr int SO_RCVBUF_WS = 0x1002;
inline constexpr int SO_ERROR_WS = 0x1007;
inline constexpr int TCP_NODELAY_WS = 0x0001;
inline constexpr uint32_t INADDR_ANY_WS = 0;
inline constexpr uint32_t INADDR_NONE_WS = 0xFFFFFFFF;
inline constexpr int32_t FIONREAD_WS = 0x4004667F;
inline constexpr int32_t FIONBIO_WS = int32_t(0x8004667E);
inline constexpr int MSG_OOB_WS = 1;
inline constexpr int MSG_PEEK_WS = 2;
inline constexpr int SD_RECEIVE = 0, SD_SEND = 1, SD_BOTH = 2;

// Asynchronous events.
inline constexpr int32_t FD_READ = 1;
inline constexpr int32_t FD_WRITE = 2;
inline constexpr int32_t FD_OOB = 4;
inline constexpr int32_t FD_ACCEPT = 8;
inline constexpr int32_t FD_CONNECT = 16;
inline constexpr int32_t FD_CLOSE = 32;

// The socket notification message of the library's windows.
inline constexpr uint32_t wmApdSocket = 0xB11;

// A 32-bit address in network order.
using TInAddr = uint32_t;

// The 16-byte address record: family, port (network order), address (network order), zeros.
struct TSockAddrIn {
    int16_t sin_family = AF_INET_WS;
    uint16_t sin_port = 0;
    TInAddr sin_addr = 0;
    char sin_zero[8] = {};
};
static_assert(sizeof(TSockAddrIn) == 16);

struct TWSAData {
    uint16_t wVersion = 0;
    uint16_t wHighVersion = 0;
    char szDescription[257] = {};
    char szSystemStatus[129] = {};
    uint16_t iMaxSockets = 0;
    uint16_t iMaxUdpDg = 0;
};

// A set of sockets for select (at most 64, as Windows Sockets has it).
struct TFDSet {
    uint32_t fd_count = 0;
    TSocket fd_array[64] = {};
};
struct TTimeVal {
    int32_t tv_sec = 0;
    int32_t tv_usec = 0;
};

// Look-up results. Valid until the next look-up of the same kind on the same thread.
struct THostEnt {
    char* h_name = nullptr;
    char** h_aliases = nullptr;
    int16_t h_addrtype = AF_INET_WS;
    int16_t h_length = 4;
    char** h_addr_list = nullptr;  // each entry points to 4 bytes in network order
};
struct TServEnt {
    char* s_name = nullptr;
    char** s_aliases = nullptr;
    uint16_t s_port = 0;  // network order
    char* s_proto = nullptr;
};
struct TProtoEnt {
    char* p_name = nullptr;
    char** p_aliases = nullptr;
    int16_t p_proto = 0;
};

using TBlockingHook = int (*)();

// The 46 functions in slot order (ioctlsocket is the fifth slot); two slots stay empty.
struct TWinsockTable {
    TSocket (*accept)(TSocket S, TSockAddrIn* Addr, int32_t* AddrLen);
    int (*bind)(TSocket S, const TSockAddrIn* Addr, int32_t NameLen);
    int (*closesocket)(TSocket S);
    int (*connect)(TSocket S, const TSockAddrIn* Name, int32_t NameLen);
    int (*ioctlsocket)(TSocket S, int32_t Cmd, uint32_t* Arg);
    int (*getpeername)(TSocket S, TSockAddrIn* Name, int32_t* NameLen);
    int (*getsockname)(TSocket S, TSockAddrIn* Name, int32_t* NameLen);
    int (*getsockopt)(TSocket S, int Level, int OptName, char* OptVal, int32_t* OptLen);
    uint32_t (*htonl)(uint32_t HostLong);
    uint16_t (*htons)(uint16_t HostShort);
    uint32_t (*inet_addr)(const char* Cp);
    const char* (*inet_ntoa)(TInAddr InAddr);
    int (*listen)(TSocket S, int Backlog);
    uint32_t (*ntohl)(uint32_t NetLong);
    uint16_t (*ntohs)(uint16_t NetShort);
    int (*recv)(TSocket S, char* Buf, int Len, int Flags);
    int (*recvfrom)(TSocket S, char* Buf, int Len, int Flags, TSockAddrIn* From, int32_t* FromLen);
    int (*select)(int Nfds, TFDSet* ReadFds, TFDSet* WriteFds, TFDSet* ExceptFds, const TTimeVal* Timeout);
    int (*send)(TSocket S, const char* Buf, int Len, int Flags);
    int (*sendto)(TSocket S, const char* Buf, int Len, int Flags, const TSockAddrIn* To, int32_t ToLen);
    int (*setsockopt)(TSocket S, int Level, int OptName, const char* OptVal, int32_t OptLen);
    int (*shutdown)(TSocket S, int How);
    TSocket (*socket)(int Af, int Type, int Protocol);
    const THostEnt* (*gethostbyaddr)(const char* Addr, int Len, int Type);
    const THostEnt* (*gethostbyname)(const char* Name);
    int (*gethostname)(char* Name, int NameLen);
    const TServEnt* (*getservbyport)(int Port, const char* Proto);
    const TServEnt* (*getservbyname)(const char* Name, const char* Proto);
    const TProtoEnt* (*getprotobynumber)(int Proto);
    const TProtoEnt* (*getprotobyname)(const char* Name);
    int (*WSAStartup)(uint16_t VersionRequested, TWSAData* Data);
    int (*WSACleanup)();
    void (*WSASetLastError)(int Error);
    int (*WSAGetLastError)();
    bool (*WSAIsBlocking)();
    int (*WSAUnhookBlockingHook)();
    TBlockingHook (*WSASetBlockingHook)(TBlockingHook Hook);
    int (*WSACancelBlockingCall)();
    // The asynchronous look-ups are not offered: they fail with WSAEOPNOTSUPP.
    uint32_t (*WSAAsyncGetServByName)(HWND Wnd, uint32_t Msg, const char* Name, const char* Proto, char* Buf,
                                      int BufLen);
    uint32_t (*WSAAsyncGetServByPort)(HWND Wnd, uint32_t Msg, int Port, const char* Proto, char* Buf, int BufLen);
    uint32_t (*WSAAsyncGetProtoByName)(HWND Wnd, uint32_t Msg, const char* Name, char* Buf, int BufLen);
    uint32_t (*WSAAsyncGetProtoByNumber)(HWND Wnd, uint32_t Msg, int Number, char* Buf, int BufLen);
    uint32_t (*WSAAsyncGetHostByName)(HWND Wnd, uint32_t Msg, const char* Name, char* Buf, int BufLen);
    uint32_t (*WSAAsyncGetHostByAddr)(HWND Wnd, uint32_t Msg, const char* Addr, int Len, int Type, char* Buf,
                                      int BufLen);
    int (*WSACancelAsyncRequest)(uint32_t AsyncTaskHandle);
    int (*WSAAsyncSelect)(TSocket S, HWND Wnd, uint32_t Msg, int32_t Events);
    void* Reserved[2];
};
inline constexpr int WinsockFunctionCount = 46;

// The process-wide table; all slots empty until LoadWinsock.
extern TWinsockTable SockFuncs;

// Fills the table; false when the sockets interface is not available (see the test seam).
bool LoadWinsock();
// Nonzero while the sockets interface is loaded.
uintptr_t WinsockModule();

// Message parameters: two 16-bit values in one 32-bit value, the first in the low word.
inline int32_t wsaMakeSyncReply(uint16_t Buflen, uint16_t Error) { return int32_t(uint32_t(Buflen) | uint32_t(Error) << 16); }
inline int32_t wsaMakeSelectReply(uint16_t Event, uint16_t Error) { return int32_t(uint32_t(Event) | uint32_t(Error) << 16); }
inline uint16_t wsaGetAsyncBuflen(int32_t Param) { return uint16_t(uint32_t(Param) & 0xFFFF); }
inline uint16_t wsaGetAsyncError(int32_t Param) { return uint16_t(uint32_t(Param) >> 16); }
inline uint16_t wsaGetSelectEvent(int32_t Param) { return uint16_t(uint32_t(Param) & 0xFFFF); }
inline uint16_t wsaGetSelectError(int32_t Param) { return uint16_t(uint32_t(Param) >> 16); }

// The Windows Sockets number of an errno value, and of a getaddrinfo result.
int WsaErrorFromErrno(int Errno);
int WsaErrorFromGai(int GaiError);

// Test seams: make LoadWinsock fail, or WSAStartup report another version (0 = 1.1).
void SetWinsockMissingForTest(bool Missing);
void SetWinsockVersionForTest(uint16_t Version);
// Test seam: the look-up of host names, in getaddrinfo's form (nullptr = the system's), so a
// test can answer names without asking a name server.
struct addrinfo;
using THostLookup = int (*)(const char* Node, const char* Service, const addrinfo* Hints, addrinfo** Result);
void SetHostLookupForTest(THostLookup Lookup);
