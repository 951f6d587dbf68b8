// The winsock port's way through a SOCKS 4, 4a or 5 proxy.
#include "comms/core/adexcept.h"
#include "comms/core/oomisc.h"
#include "comms/net/tapdwinsockdispatcher.h"
#include "comms/net/tapdwinsockport.h"

#include <QElapsedTimer>
#include <arpa/inet.h>

namespace {

// Negotiation steps, named after the reply they wait for.
enum : int {
    stSocks4Reply = 4,   // 8 bytes
    stSocks5Method = 50, // 2 bytes
    stSocks5Auth,        // 2 bytes
    stSocks5Reply,       // the first 5 bytes
    stSocks5Rest,        // the rest of the bound address and port
};

constexpr uint8_t kSocks4Granted = 90;

QByteArray counted(const QString& S)
{
    const QByteArray b = S.toLatin1().left(255);
    return QByteArray(1, char(b.size())) + b;
}

}  // namespace

int TApdCustomWinsockPort::OpenThroughSocks()
{
    auto* d = dynamic_cast<TApdWinsockDispatcher*>(Dispatcher());
    FSocksFinished = false;
    const TInAddr proxy = ResolveAddress(FSocksInfo.Address);
    if (proxy == 0) {
        FSocksFinished = true;
        ReportOrRaise(ecADWSCANTRESOLVE);
        return -ecADWSCANTRESOLVE;
    }
    // The negotiation is binary: telnet processing starts once it is done.
    d->InitSocketData(FWsLocalAddressIndex, proxy, htons(FSocksInfo.Port), true, false);
    const int res = d->InitSocket(InSize(), OutSize());
    if (res >= 0)
        return 0;
    FSocksFinished = true;
    if (OnWsError) {
        OnWsError(this, ecADWSCANTRESOLVE);
        return -ecADWSCANTRESOLVE;
    }
    throw EApdSocketException(-res);
}

void TApdCustomWinsockPort::FinishSocks(int Code, bool Reported)
{
    if (FSocksFinished)
        return;
    FSocksFinished = true;
    FSocksError = Code;
    FSocksErrorReported = Reported;
}

void TApdCustomWinsockPort::ExpectSocksReply(int Stage, int Size)
{
    FSocksStage = Stage;
    FSocksWant = Size;
}

void TApdCustomWinsockPort::SendSocksRequest5()
{
    QByteArray r("\x05\x01\x00\x01", 4);
    r.append(reinterpret_cast<const char*>(&FSocksDestAddr), 4);
    r.append(char(FSocksDestPort >> 8)).append(char(FSocksDestPort & 0xFF));
    PutString(r);
    ExpectSocksReply(stSocks5Reply, 5);
}

void TApdCustomWinsockPort::SocksReply(const QByteArray& Data)
{
    const auto at = [&](int i) { return i < Data.size() ? uint8_t(Data[i]) : uint8_t(0); };
    switch (FSocksStage) {
    case stSocks4Reply: {
        const uint8_t code = at(1);
        FinishSocks(code == kSocks4Granted ? 0
                    : code == 91           ? ecSocksRequestFailed
                    : code == 92           ? ecSocksNoIdentd
                    : code == 93           ? ecSocksIdentdMismatch
                                           : ecSocksFailure);
        break;
    }
    case stSocks5Method:
        if (at(1) == 0) {
            SendSocksRequest5();
        } else if (at(1) == 2) {
            PutString(QByteArray(1, '\x01') + counted(FSocksInfo.UserCode) + counted(FSocksInfo.Password));
            ExpectSocksReply(stSocks5Auth, 2);
        } else {
            FinishSocks(ecSocksFailure);
        }
        break;
    case stSocks5Auth:
        if (at(1) == 0)
            SendSocksRequest5();
        else
            FinishSocks(ecSocksFailure);
        break;
    case stSocks5Reply: {
        const uint8_t rep = at(1);
        FSocksReplyError = rep == 0 ? 0 : rep <= 8 ? ecSocks5ReplyBase + rep : ecSocksFailure;
        // The bound address: its first byte is in hand already, the port follows it.
        int rest = 2;
        switch (at(3)) {
        case 1: rest = 5; break;
        case 3: rest = at(4) + 2; break;
        case 4:
            rest = 17;
            FSocksReplyError = FSocksReplyError ? FSocksReplyError : ecSocks5AddressIPv6;
            break;
        default: FSocksReplyError = FSocksReplyError ? FSocksReplyError : ecSocks5AddressUnknown; break;
        }
        ExpectSocksReply(stSocks5Rest, rest);
        break;
    }
    case stSocks5Rest:
        FinishSocks(FSocksReplyError);
        break;
    default:
        FinishSocks(ecSocksFailure);
        break;
    }
}

void TApdCustomWinsockPort::NegotiateSocks()
{
    FNegotiating = true;
    FSocksFinished = false;
    FSocksError = 0;
    FSocksReplyError = 0;
    FSocksErrorReported = false;
    FSocksWant = 0;

    FSocksDestPort = ResolvePort();
    if (FSocksDestPort == 0)
        FinishSocks(ecADWSINVPORT);
    if (!FSocksFinished && FSocksInfo.SocksVersion != svSocks4a) {
        if (FWsAddress.isEmpty())
            FinishSocks(wsaEDestAddrReq);
        else if ((FSocksDestAddr = ResolveAddress(FWsAddress)) == 0)
            FinishSocks(ecADWSCANTRESOLVE);
    }
    if (!FSocksFinished) {
        QByteArray port;
        port.append(char(FSocksDestPort >> 8)).append(char(FSocksDestPort & 0xFF));
        const QByteArray user = FSocksInfo.UserCode.toLatin1();
        switch (FSocksInfo.SocksVersion) {
        case svSocks4:
            PutString(QByteArray("\x04\x01", 2) + port + QByteArray(reinterpret_cast<const char*>(&FSocksDestAddr), 4) +
                      user + QByteArray(1, '\0'));
            ExpectSocksReply(stSocks4Reply, 8);
            break;
        case svSocks4a:
            PutString(QByteArray("\x04\x01", 2) + port + QByteArray("\x00\x00\x00\x01", 4) + user + QByteArray(1, '\0') +
                      FWsAddress.toLatin1() + QByteArray(1, '\0'));
            ExpectSocksReply(stSocks4Reply, 8);
            break;
        default:
            PutString(QByteArray("\x05\x02\x00\x02", 4));
            ExpectSocksReply(stSocks5Method, 2);
            break;
        }
    }

    // Bounded: a proxy that never answers fails the open with a time-out.
    QElapsedTimer waited;
    waited.start();
    while (!FSocksFinished) {
        // Each reply is taken from the port's buffer as it completes; what follows it stays
        // there for the port's users.
        TApdBaseDispatcher* d = PortState() == psOpen ? Dispatcher() : nullptr;
        if (d && FSocksWant > 0 && d->InBuffUsed() >= FSocksWant) {
            QByteArray reply(FSocksWant, '\0');
            d->GetBlock(reply.data(), FSocksWant);
            FSocksWant = 0;
            SocksReply(reply);
            continue;
        }
        if (PortState() != psOpen)
            FinishSocks(wsaENotConn);
        else if (waited.elapsed() > SocksWaitMs)
            FinishSocks(wsaETimedOut);
        else if (DelayTicks(1, true) == wmQuit)
            FinishSocks(wsaEIntr);
    }

    FNegotiating = false;
    if (FSocksError != 0) {
        // The open fails: a port that did not get through is never reported open.
        if (OnWsError && !FSocksErrorReported)
            OnWsError(this, FSocksError);
        throw EApdSocketException(FSocksError);
    }
    if (TApdWinsockDispatcher* d = WinsockDispatcher()) {
        d->Reannounce();  // what the destination sent meanwhile was held back from the handlers
        if (TWsConnection* c = d->Connection())
            c->IsTelnet = FWsTelnet;
    }
    if (FConnectDeferred) {
        FConnectDeferred = false;
        DoConnect();
    }
}
