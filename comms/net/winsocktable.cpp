#include "comms/net/winsocktable.h"

#include "comms/core/adexcept.h"
#include "comms/net/asyncselect.h"
#include "platform/core/inetaddr.h"

#include <arpa/inet.h>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <string>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

TWinsockTable SockFuncs = {};

namespace {

thread_local int t_lastError = 0;
std::atomic<bool> g_missing{false};
std::atomic<uint16_t> g_version{0};
std::atomic<THostLookup> g_hostLookup{nullptr};
std::atomic<uintptr_t> g_module{0};
std::atomic<int> g_startups{0};

int fail(int WsaError)
{
    t_lastError = WsaError;
    return SOCKET_ERROR;
}
int failErrno() { return fail(WsaErrorFromErrno(errno)); }

sockaddr_in toPosix(const TSockAddrIn& a)
{
    sockaddr_in s{};
    s.sin_family = AF_INET;
    s.sin_port = a.sin_port;
    s.sin_addr.s_addr = a.sin_addr;
    return s;
}

void fromPosix(const sockaddr_in& s, TSockAddrIn* a, int32_t* len)
{
    if (!a)
        return;
    TSockAddrIn r;
    r.sin_port = s.sin_port;
    r.sin_addr = s.sin_addr.s_addr;
    std::memcpy(a, &r, sizeof r);
    if (len)
        *len = sizeof(TSockAddrIn);
}

bool validAddr(const TSockAddrIn* a, int32_t len)
{
    if (!a || len < int32_t(sizeof(TSockAddrIn))) {
        t_lastError = wsaEFault;
        return false;
    }
    if (a->sin_family != AF_INET_WS) {
        t_lastError = wsaEAfNoSupport;
        return false;
    }
    return true;
}

// Socket level and option in POSIX numbers; false for an option this table does not carry.
bool mapOption(int Level, int OptName, int& level, int& name)
{
    if (Level == SOL_SOCKET_WS) {
        level = SOL_SOCKET;
        switch (OptName) {
        case SO_REUSEADDR_WS: name = SO_REUSEADDR; return true;
        case SO_KEEPALIVE_WS: name = SO_KEEPALIVE; return true;
        case SO_LINGER_WS: name = SO_LINGER; return true;
        case SO_SNDBUF_WS: name = SO_SNDBUF; return true;
        case SO_RCVBUF_WS: name = SO_RCVBUF; return true;
        case SO_ERROR_WS: name = SO_ERROR; return true;
        default: return false;
        }
    }
    if (Level == IPPROTO_TCP_WS && OptName == TCP_NODELAY_WS) {
        level = IPPROTO_TCP;
        name = TCP_NODELAY;
        return true;
    }
    return false;
}

// ---- Calls ----

TSocket wsAccept(TSocket S, TSockAddrIn* Addr, int32_t* AddrLen)
{
    if (Addr && (!AddrLen || *AddrLen < int32_t(sizeof(TSockAddrIn)))) {
        t_lastError = wsaEFault;
        return INVALID_SOCKET;
    }
    sockaddr_in peer{};
    socklen_t len = sizeof peer;
    int fd;
    do
        fd = ::accept4(S, reinterpret_cast<sockaddr*>(&peer), &len, SOCK_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    const int err = errno;
    AsyncSelectAccepted(S, fd);
    if (fd < 0) {
        t_lastError = WsaErrorFromErrno(err);
        return INVALID_SOCKET;
    }
    fromPosix(peer, Addr, AddrLen);
    return fd;
}

int wsBind(TSocket S, const TSockAddrIn* Addr, int32_t Len)
{
    if (!validAddr(Addr, Len))
        return SOCKET_ERROR;
    const sockaddr_in a = toPosix(*Addr);
    return ::bind(S, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0 ? 0 : failErrno();
}

int wsCloseSocket(TSocket S)
{
    if (S < 0)
        return fail(wsaENotSock);
    AsyncSelectForget(S);  // the notifiers go before the descriptor
    return ::close(S) == 0 || errno == EINTR ? 0 : failErrno();
}

int wsConnect(TSocket S, const TSockAddrIn* Name, int32_t Len)
{
    if (!validAddr(Name, Len))
        return SOCKET_ERROR;
    const sockaddr_in a = toPosix(*Name);
    int r = ::connect(S, reinterpret_cast<const sockaddr*>(&a), sizeof a);
    const int err = r == 0 ? 0 : errno;
    if (r == 0 || err == EINPROGRESS || err == EINTR) {
        if (AsyncSelectConnecting(S, 0) && r != 0)
            return fail(wsaEWouldBlock);
        return r == 0 ? 0 : fail(WsaErrorFromErrno(err));
    }
    // A selected socket hears of a failure by FD_CONNECT, as it would of a late one.
    if (err != EISCONN && err != EALREADY && err != EBADF && err != ENOTSOCK && AsyncSelectConnecting(S, WsaErrorFromErrno(err)))
        return fail(wsaEWouldBlock);
    return fail(WsaErrorFromErrno(err));
}

int wsIoctlSocket(TSocket S, int32_t Cmd, uint32_t* Arg)
{
    if (!Arg)
        return fail(wsaEFault);
    if (Cmd == FIONREAD_WS) {
        int n = 0;
        if (::ioctl(S, FIONREAD, &n) != 0)
            return failErrno();
        *Arg = uint32_t(n);
        return 0;
    }
    if (Cmd == FIONBIO_WS) {
        const int flags = ::fcntl(S, F_GETFL);
        if (flags < 0)
            return failErrno();
        return ::fcntl(S, F_SETFL, *Arg ? flags | O_NONBLOCK : flags & ~O_NONBLOCK) == 0 ? 0 : failErrno();
    }
    return fail(wsaEInVal);
}

int wsGetPeerName(TSocket S, TSockAddrIn* Name, int32_t* Len)
{
    if (!Name || !Len || *Len < int32_t(sizeof(TSockAddrIn)))
        return fail(wsaEFault);
    sockaddr_in a{};
    socklen_t l = sizeof a;
    if (::getpeername(S, reinterpret_cast<sockaddr*>(&a), &l) != 0)
        return failErrno();
    fromPosix(a, Name, Len);
    return 0;
}

int wsGetSockName(TSocket S, TSockAddrIn* Name, int32_t* Len)
{
    if (!Name || !Len || *Len < int32_t(sizeof(TSockAddrIn)))
        return fail(wsaEFault);
    sockaddr_in a{};
    socklen_t l = sizeof a;
    if (::getsockname(S, reinterpret_cast<sockaddr*>(&a), &l) != 0)
        return failErrno();
    fromPosix(a, Name, Len);
    return 0;
}

int wsGetSockOpt(TSocket S, int Level, int OptName, char* OptVal, int32_t* OptLen)
{
    int level = 0, name = 0;
    if (!mapOption(Level, OptName, level, name))
        return fail(wsaENoProtoOpt);
    if (!OptVal || !OptLen || *OptLen < 4)
        return fail(wsaEFault);
    if (name == SO_LINGER) {
        linger l{};
        socklen_t len = sizeof l;
        if (::getsockopt(S, level, name, &l, &len) != 0)
            return failErrno();
        const uint16_t w[2] = {uint16_t(l.l_onoff), uint16_t(l.l_linger)};
        std::memcpy(OptVal, w, 4);
        *OptLen = 4;
        return 0;
    }
    int v = 0;
    socklen_t len = sizeof v;
    if (::getsockopt(S, level, name, &v, &len) != 0)
        return failErrno();
    if (name == SO_ERROR && v != 0)
        v = WsaErrorFromErrno(v);
    std::memcpy(OptVal, &v, 4);
    *OptLen = 4;
    return 0;
}

uint32_t wsHtonl(uint32_t v) { return htonl(v); }
uint16_t wsHtons(uint16_t v) { return htons(v); }
uint32_t wsNtohl(uint32_t v) { return ntohl(v); }
uint16_t wsNtohs(uint16_t v) { return ntohs(v); }

uint32_t wsInetAddr(const char* Cp)
{
    // The whole text, decimal only: "010.0.0.1" is 10.0.0.1 here as everywhere in the program.
    uint32_t a = 0;
    return Cp && platform::ParseDottedIPv4(QString::fromLatin1(Cp), &a) ? htonl(a) : INADDR_NONE_WS;
}

const char* wsInetNtoa(TInAddr Addr)
{
    thread_local char text[INET_ADDRSTRLEN];
    in_addr a{};
    a.s_addr = Addr;
    return ::inet_ntop(AF_INET, &a, text, sizeof text);
}

int wsListen(TSocket S, int Backlog)
{
    if (::listen(S, Backlog) != 0)
        return failErrno();
    AsyncSelectListening(S);
    return 0;
}

int wsRecv(TSocket S, char* Buf, int Len, int Flags)
{
    if (Len < 0 || (!Buf && Len > 0))
        return fail(wsaEFault);
    const int flags = (Flags & MSG_PEEK_WS ? MSG_PEEK : 0) | (Flags & MSG_OOB_WS ? MSG_OOB : 0);
    ssize_t r;
    do
        r = ::recv(S, Buf, size_t(Len), flags);
    while (r < 0 && errno == EINTR);
    const int err = errno;
    AsyncSelectRead(S);  // reading arms FD_READ again
    return r < 0 ? fail(WsaErrorFromErrno(err)) : int(r);
}

int wsRecvFrom(TSocket S, char* Buf, int Len, int Flags, TSockAddrIn* From, int32_t* FromLen)
{
    if (Len < 0 || (!Buf && Len > 0) || (From && (!FromLen || *FromLen < int32_t(sizeof(TSockAddrIn)))))
        return fail(wsaEFault);
    sockaddr_in a{};
    socklen_t l = sizeof a;
    const int flags = (Flags & MSG_PEEK_WS ? MSG_PEEK : 0) | (Flags & MSG_OOB_WS ? MSG_OOB : 0);
    ssize_t r;
    do
        r = ::recvfrom(S, Buf, size_t(Len), flags, reinterpret_cast<sockaddr*>(&a), &l);
    while (r < 0 && errno == EINTR);
    const int err = errno;
    AsyncSelectRead(S);
    if (r < 0)
        return fail(WsaErrorFromErrno(err));
    fromPosix(a, From, FromLen);
    return int(r);
}

int wsSelect(int, TFDSet* ReadFds, TFDSet* WriteFds, TFDSet* ExceptFds, const TTimeVal* Timeout)
{
    struct Watch {
        TFDSet* set;
        short events;
    };
    const Watch watches[3] = {{ReadFds, POLLIN}, {WriteFds, POLLOUT}, {ExceptFds, POLLPRI}};
    std::vector<pollfd> fds;
    for (const Watch& w : watches) {
        if (!w.set)
            continue;
        if (w.set->fd_count > 64)
            return fail(wsaEInVal);
        for (uint32_t i = 0; i < w.set->fd_count; ++i)
            fds.push_back({w.set->fd_array[i], w.events, 0});
    }
    if (fds.empty() && !Timeout)
        return fail(wsaEInVal);
    timespec ts{};
    if (Timeout) {
        ts.tv_sec = std::max(Timeout->tv_sec, 0);
        ts.tv_nsec = long(std::clamp(Timeout->tv_usec, 0, 999999)) * 1000;
    }
    int r;
    do
        r = ::ppoll(fds.data(), fds.size(), Timeout ? &ts : nullptr, nullptr);
    while (r < 0 && errno == EINTR);
    if (r < 0)
        return failErrno();
    size_t k = 0;
    int total = 0;
    for (const Watch& w : watches) {
        if (!w.set)
            continue;
        TFDSet ready;
        for (uint32_t i = 0; i < w.set->fd_count; ++i, ++k) {
            const short got = fds[k].revents;
            if (got & POLLNVAL)
                return fail(wsaENotSock);
            const short wanted = w.events == POLLIN ? short(POLLIN | POLLHUP | POLLERR)
                               : w.events == POLLOUT ? short(POLLOUT | POLLERR) : short(POLLPRI);
            if (got & wanted)
                ready.fd_array[ready.fd_count++] = w.set->fd_array[i];
        }
        *w.set = ready;
        total += int(ready.fd_count);
    }
    return total;
}

int wsSend(TSocket S, const char* Buf, int Len, int Flags)
{
    if (Len < 0 || (!Buf && Len > 0))
        return fail(wsaEFault);
    ssize_t r;
    do
        r = ::send(S, Buf, size_t(Len), MSG_NOSIGNAL | (Flags & MSG_OOB_WS ? MSG_OOB : 0));
    while (r < 0 && errno == EINTR);
    const int err = errno;
    // A full buffer arms FD_WRITE for the moment it drains.
    if ((r < 0 && (err == EAGAIN || err == EWOULDBLOCK)) || (r >= 0 && r < Len))
        AsyncSelectWriteBlocked(S);
    if (r < 0)
        return fail(err == EPIPE && AsyncSelectSendShut(S) ? wsaEShutDown : WsaErrorFromErrno(err));
    return int(r);
}

int wsSendTo(TSocket S, const char* Buf, int Len, int Flags, const TSockAddrIn* To, int32_t ToLen)
{
    if (Len < 0 || (!Buf && Len > 0))
        return fail(wsaEFault);
    if (!To)
        return wsSend(S, Buf, Len, Flags);
    if (!validAddr(To, ToLen))
        return SOCKET_ERROR;
    const sockaddr_in a = toPosix(*To);
    ssize_t r;
    do
        r = ::sendto(S, Buf, size_t(Len), MSG_NOSIGNAL | (Flags & MSG_OOB_WS ? MSG_OOB : 0),
                     reinterpret_cast<const sockaddr*>(&a), sizeof a);
    while (r < 0 && errno == EINTR);
    return r < 0 ? failErrno() : int(r);
}

int wsSetSockOpt(TSocket S, int Level, int OptName, const char* OptVal, int32_t OptLen)
{
    int level = 0, name = 0;
    if (!mapOption(Level, OptName, level, name) || name == SO_ERROR)
        return fail(wsaENoProtoOpt);
    if (!OptVal || OptLen < 1)
        return fail(wsaEFault);
    if (name == SO_LINGER) {
        if (OptLen < 4)
            return fail(wsaEFault);
        uint16_t w[2];
        std::memcpy(w, OptVal, 4);
        const linger l{w[0], w[1]};
        return ::setsockopt(S, level, name, &l, sizeof l) == 0 ? 0 : failErrno();
    }
    // Windows Sockets takes a one-byte Boolean as well as a 32-bit value.
    int v = 0;
    if (OptLen >= 4)
        std::memcpy(&v, OptVal, 4);
    else
        v = uchar(OptVal[0]);
    return ::setsockopt(S, level, name, &v, sizeof v) == 0 ? 0 : failErrno();
}

int wsShutdown(TSocket S, int How)
{
    const int how = How == SD_RECEIVE ? SHUT_RD : How == SD_SEND ? SHUT_WR : How == SD_BOTH ? SHUT_RDWR : -1;
    if (how < 0)
        return fail(wsaEInVal);
    if (::shutdown(S, how) != 0)
        return failErrno();
    if (How != SD_RECEIVE)
        AsyncSelectShutSend(S);
    return 0;
}

TSocket wsSocket(int Af, int Type, int Protocol)
{
    if (Af != AF_INET_WS) {
        t_lastError = wsaEAfNoSupport;
        return INVALID_SOCKET;
    }
    const int type = Type == SOCK_STREAM_WS ? SOCK_STREAM : Type == SOCK_DGRAM_WS ? SOCK_DGRAM : -1;
    if (type < 0) {
        t_lastError = wsaESocktNoSupport;
        return INVALID_SOCKET;
    }
    const int fd = ::socket(AF_INET, type | SOCK_CLOEXEC, Protocol);
    if (fd < 0) {
        t_lastError = WsaErrorFromErrno(errno);
        return INVALID_SOCKET;
    }
    return fd;
}

// ---- Look-ups (results in per-thread storage) ----

struct HostStore {
    THostEnt ent;
    std::string name;
    std::vector<uint32_t> addrs;
    std::vector<char*> addrPtrs;
    char* noAliases[1] = {nullptr};

    const THostEnt* fill()
    {
        addrPtrs.clear();
        for (uint32_t& a : addrs)
            addrPtrs.push_back(reinterpret_cast<char*>(&a));
        addrPtrs.push_back(nullptr);
        ent.h_name = name.data();
        ent.h_aliases = noAliases;
        ent.h_addrtype = AF_INET_WS;
        ent.h_length = 4;
        ent.h_addr_list = addrPtrs.data();
        return &ent;
    }
};
thread_local HostStore t_host;

const THostEnt* wsGetHostByName(const char* Name)
{
    if (!Name) {
        t_lastError = wsaEFault;
        return nullptr;
    }
    // A dotted address is read as decimal; a name the system would read as an address in
    // another form (octal, hexadecimal, fewer parts) names no host.
    if (uint32_t dotted = 0; platform::ParseDottedIPv4(QString::fromLatin1(Name), &dotted)) {
        t_host.name = Name;
        t_host.addrs.assign(1, htonl(dotted));
        return t_host.fill();
    }
    if (in_addr other{}; ::inet_aton(Name, &other)) {
        t_lastError = wsaHost_Not_Found;
        return nullptr;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_CANONNAME;
    addrinfo* list = nullptr;
    const THostLookup lookup = g_hostLookup.load();
    const int rc = (lookup ? lookup : &::getaddrinfo)(Name, nullptr, &hints, &list);
    if (rc != 0) {
        t_lastError = WsaErrorFromGai(rc);
        return nullptr;
    }
    t_host.name = list->ai_canonname ? list->ai_canonname : Name;
    t_host.addrs.clear();
    for (addrinfo* p = list; p; p = p->ai_next) {
        const uint32_t a = reinterpret_cast<const sockaddr_in*>(p->ai_addr)->sin_addr.s_addr;
        if (std::find(t_host.addrs.begin(), t_host.addrs.end(), a) == t_host.addrs.end())
            t_host.addrs.push_back(a);
    }
    ::freeaddrinfo(list);
    return t_host.fill();
}

const THostEnt* wsGetHostByAddr(const char* Addr, int Len, int Type)
{
    if (!Addr || Len != 4 || Type != AF_INET_WS) {
        t_lastError = !Addr ? wsaEFault : wsaEAfNoSupport;
        return nullptr;
    }
    sockaddr_in a{};
    a.sin_family = AF_INET;
    std::memcpy(&a.sin_addr.s_addr, Addr, 4);
    char host[NI_MAXHOST];
    const int rc = ::getnameinfo(reinterpret_cast<const sockaddr*>(&a), sizeof a, host, sizeof host, nullptr, 0,
                                 NI_NAMEREQD);
    if (rc != 0) {
        t_lastError = WsaErrorFromGai(rc);
        return nullptr;
    }
    t_host.name = host;
    t_host.addrs = {a.sin_addr.s_addr};
    return t_host.fill();
}

int wsGetHostName(char* Name, int NameLen)
{
    if (!Name || NameLen <= 0)
        return fail(wsaEFault);
    if (::gethostname(Name, size_t(NameLen)) != 0)
        return fail(wsaEFault);
    Name[NameLen - 1] = '\0';
    return 0;
}

struct ServStore {
    servent ent{};
    char buf[1024];
    TServEnt out;
};
thread_local ServStore t_serv;

const TServEnt* serviceResult(servent* found, int rc)
{
    if (rc != 0 || !found) {
        t_lastError = wsaNo_Data;
        return nullptr;
    }
    t_serv.out.s_name = found->s_name;
    t_serv.out.s_aliases = found->s_aliases;
    t_serv.out.s_port = uint16_t(found->s_port);
    t_serv.out.s_proto = found->s_proto;
    return &t_serv.out;
}

const TServEnt* wsGetServByPort(int Port, const char* Proto)
{
    servent* found = nullptr;
    const int rc = ::getservbyport_r(Port, Proto, &t_serv.ent, t_serv.buf, sizeof t_serv.buf, &found);
    return serviceResult(found, rc);
}

const TServEnt* wsGetServByName(const char* Name, const char* Proto)
{
    if (!Name) {
        t_lastError = wsaEFault;
        return nullptr;
    }
    servent* found = nullptr;
    const int rc = ::getservbyname_r(Name, Proto, &t_serv.ent, t_serv.buf, sizeof t_serv.buf, &found);
    return serviceResult(found, rc);
}

struct ProtoStore {
    protoent ent{};
    char buf[1024];
    TProtoEnt out;
};
thread_local ProtoStore t_proto;

const TProtoEnt* protoResult(protoent* found, int rc)
{
    if (rc != 0 || !found) {
        t_lastError = wsaNo_Data;
        return nullptr;
    }
    t_proto.out.p_name = found->p_name;
    t_proto.out.p_aliases = found->p_aliases;
    t_proto.out.p_proto = int16_t(found->p_proto);
    return &t_proto.out;
}

const TProtoEnt* wsGetProtoByNumber(int Proto)
{
    protoent* found = nullptr;
    const int rc = ::getprotobynumber_r(Proto, &t_proto.ent, t_proto.buf, sizeof t_proto.buf, &found);
    return protoResult(found, rc);
}

const TProtoEnt* wsGetProtoByName(const char* Name)
{
    if (!Name) {
        t_lastError = wsaEFault;
        return nullptr;
    }
    protoent* found = nullptr;
    const int rc = ::getprotobyname_r(Name, &t_proto.ent, t_proto.buf, sizeof t_proto.buf, &found);
    return protoResult(found, rc);
}

// ---- Start-up and the rest ----

int wsStartup(uint16_t VersionRequested, TWSAData* Data)
{
    if (!Data)
        return wsaEFault;
    // Version 1.1 is what this table offers; below 1.1 is refused.
    if ((VersionRequested & 0xFF) < 1 || ((VersionRequested & 0xFF) == 1 && (VersionRequested >> 8) < 1))
        return wsaVerNotSupported;
    const uint16_t v = g_version.load() ? g_version.load() : uint16_t(0x0101);
    *Data = TWSAData();
    Data->wVersion = v;
    Data->wHighVersion = 0x0101;
    std::strncpy(Data->szDescription, "POSIX sockets with Windows Sockets 1.1 semantics", sizeof Data->szDescription - 1);
    std::strncpy(Data->szSystemStatus, "Running", sizeof Data->szSystemStatus - 1);
    Data->iMaxSockets = 1024;
    Data->iMaxUdpDg = 65467;
    ++g_startups;
    return 0;
}

int wsCleanup()
{
    if (g_startups.load() <= 0)
        return fail(wsaNotInitialised);
    --g_startups;
    return 0;
}

void wsSetLastError(int Error) { t_lastError = Error; }
int wsGetLastError() { return t_lastError; }
bool wsIsBlocking() { return false; }
int wsUnhookBlockingHook() { return 0; }
TBlockingHook wsSetBlockingHook(TBlockingHook) { return nullptr; }
int wsCancelBlockingCall() { return 0; }

uint32_t asyncNotOffered()
{
    t_lastError = wsaEOpNotSupp;
    return 0;
}
uint32_t wsAsyncGetServByName(HWND, uint32_t, const char*, const char*, char*, int) { return asyncNotOffered(); }
uint32_t wsAsyncGetServByPort(HWND, uint32_t, int, const char*, char*, int) { return asyncNotOffered(); }
uint32_t wsAsyncGetProtoByName(HWND, uint32_t, const char*, char*, int) { return asyncNotOffered(); }
uint32_t wsAsyncGetProtoByNumber(HWND, uint32_t, int, char*, int) { return asyncNotOffered(); }
uint32_t wsAsyncGetHostByName(HWND, uint32_t, const char*, char*, int) { return asyncNotOffered(); }
uint32_t wsAsyncGetHostByAddr(HWND, uint32_t, const char*, int, int, char*, int) { return asyncNotOffered(); }
int wsCancelAsyncRequest(uint32_t) { return fail(wsaEInVal); }

int wsAsyncSelect(TSocket S, HWND Wnd, uint32_t Msg, int32_t Events)
{
    const int err = AsyncSelect(S, Wnd, Msg, Events);
    return err == 0 ? 0 : fail(err);
}

}  // namespace

bool LoadWinsock()
{
    if (g_missing) {
        g_module = 0;
        return false;
    }
    g_module = 1;
    SockFuncs = TWinsockTable{
        wsAccept, wsBind, wsCloseSocket, wsConnect, wsIoctlSocket, wsGetPeerName, wsGetSockName, wsGetSockOpt,
        wsHtonl, wsHtons, wsInetAddr, wsInetNtoa, wsListen, wsNtohl, wsNtohs, wsRecv, wsRecvFrom, wsSelect, wsSend,
        wsSendTo, wsSetSockOpt, wsShutdown, wsSocket, wsGetHostByAddr, wsGetHostByName, wsGetHostName,
        wsGetServByPort, wsGetServByName, wsGetProtoByNumber, wsGetProtoByName, wsStartup, wsCleanup,
        wsSetLastError, wsGetLastError, wsIsBlocking, wsUnhookBlockingHook, wsSetBlockingHook, wsCancelBlockingCall,
        wsAsyncGetServByName, wsAsyncGetServByPort, wsAsyncGetProtoByName, wsAsyncGetProtoByNumber,
        wsAsyncGetHostByName, wsAsyncGetHostByAddr, wsCancelAsyncRequest, wsAsyncSelect, {nullptr, nullptr}};
    return true;
}

uintptr_t WinsockModule() { return g_module; }

void SetWinsockMissingForTest(bool Missing) { g_missing = Missing; }
void SetWinsockVersionForTest(uint16_t Version) { g_version = Version; }
void SetHostLookupForTest(THostLookup Lookup) { g_hostLookup = Lookup; }

int WsaErrorFromErrno(int Errno)
{
    switch (Errno) {
    case EAGAIN:
#if EWOULDBLOCK != EAGAIN
    case EWOULDBLOCK:
#endif
    case EINPROGRESS: return wsaEWouldBlock;
    case EALREADY: return wsaEAlReady;
    case EINTR: return wsaEIntr;
    case EBADF:
    case ENOTSOCK: return wsaENotSock;
    case EACCES:
    case EPERM: return wsaEAcces;
    case EFAULT: return wsaEFault;
    case EINVAL: return wsaEInVal;
    case EMFILE:
    case ENFILE: return wsaEMFile;
    case EDESTADDRREQ: return wsaEDestAddrReq;
    case EMSGSIZE: return wsaEMsgSize;
    case EPROTOTYPE: return wsaEPrototype;
    case ENOPROTOOPT: return wsaENoProtoOpt;
    case EPROTONOSUPPORT: return wsaEProtoNoSupport;
    case ESOCKTNOSUPPORT: return wsaESocktNoSupport;
    case EOPNOTSUPP: return wsaEOpNotSupp;
    case EPFNOSUPPORT: return wsaEPfNoSupport;
    case EAFNOSUPPORT: return wsaEAfNoSupport;
    case EADDRINUSE: return wsaEAddrInUse;
    case EADDRNOTAVAIL: return wsaEAddrNotAvail;
    case ENETDOWN: return wsaENetDown;
    case ENETUNREACH: return wsaENetUnreach;
    case ENETRESET: return wsaENetReset;
    case ECONNABORTED: return wsaEConnAborted;
    case ECONNRESET:
    case EPIPE: return wsaEConnReset;
    case ENOBUFS:
    case ENOMEM: return wsaENoBufs;
    case EISCONN: return wsaEIsConn;
    case ENOTCONN: return wsaENotConn;
    case ESHUTDOWN: return wsaEShutDown;
    case ETOOMANYREFS: return wsaETooManyRefs;
    case ETIMEDOUT: return wsaETimedOut;
    case ECONNREFUSED: return wsaEConnRefused;
    case ELOOP: return wsaELoop;
    case ENAMETOOLONG: return wsaENameTooLong;
    case EHOSTDOWN: return wsaEHostDown;
    case EHOSTUNREACH: return wsaEHostUnreach;
    default: return wsaEInVal;
    }
}

int WsaErrorFromGai(int GaiError)
{
    switch (GaiError) {
    case EAI_NONAME: return wsaHost_Not_Found;
    case EAI_AGAIN: return wsaTry_Again;
    case EAI_FAIL: return wsaNo_Recovery;
    case EAI_MEMORY: return wsaENoBufs;
#ifdef EAI_NODATA
    case EAI_NODATA:
#endif
#ifdef EAI_ADDRFAMILY
    case EAI_ADDRFAMILY:
#endif
    case EAI_FAMILY: return wsaNo_Data;
    case EAI_SYSTEM: return WsaErrorFromErrno(errno);
    default: return wsaNo_Recovery;
    }
}
