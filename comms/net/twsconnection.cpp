// One socket port's connection: its rings and the telnet processing of both directions.
#include "comms/core/adexcept.h"
#include "comms/net/tapdwinsockdispatcher.h"

#include <algorithm>

namespace {
constexpr uint8_t CR = 13, LF = 10;
std::atomic<uint64_t> g_serial{0};
}  // namespace

TWsConnection::TWsConnection(int InSize, int OutSize)
    : Serial(++g_serial), InBuf(size_t(std::max(InSize, 4))), OutBuf(size_t(std::max(OutSize, 0) + 4096))
{
    OwnSocket = SockFuncs.socket ? SockFuncs.socket(AF_INET_WS, SOCK_STREAM_WS, 0) : INVALID_SOCKET;
}

TWsConnection::~TWsConnection() { Shutdown(); }

void TWsConnection::Shutdown()
{
    if (!IsClient && DataSocket != INVALID_SOCKET && DataSocket != OwnSocket)
        SockFuncs.closesocket(DataSocket);
    DataSocket = INVALID_SOCKET;
    if (OwnSocket != INVALID_SOCKET)
        SockFuncs.closesocket(OwnSocket);
    OwnSocket = INVALID_SOCKET;
}

void TWsConnection::SetState(TWsConnectionState State)
{
    ConnState = State;
    if (!Dispatcher)
        return;
    if (State == wcsConnected)
        Dispatcher->OptionsOn(dispOptConnected);
    else
        Dispatcher->OptionsOff(dispOptConnected);
}

void TWsConnection::Log(int SubType, uint8_t Option, const QByteArray& Text)
{
    if (Dispatcher)
        Dispatcher->AddDispatchEntry(dtTelnet, TDispatchSubType(SubType), Option, Text.constData(),
                                     uint32_t(Text.size()));
}

// ---- Input ----

int TWsConnection::InUsed() const { return int(InTail - InHead); }

uint8_t TWsConnection::InAt(int Offset) const { return uint8_t(InBuf[(InHead + uint64_t(Offset)) % InBuf.size()]); }

void TWsConnection::InSkip(int Count) { InHead += uint64_t(std::min(Count, InUsed())); }

void TWsConnection::FillInput()
{
    if (DataSocket == INVALID_SOCKET)
        return;
    const uint64_t size = InBuf.size();
    // Up to the end of the ring, then from its start.
    for (int piece = 0; piece < 2 && InTail - InHead < size; ++piece) {
        const uint64_t at = InTail % size;
        const int room = int(std::min(size - at, size - (InTail - InHead)));
        const int got = SockFuncs.recv(DataSocket, InBuf.data() + at, room, 0);
        if (got <= 0)
            break;
        InTail += uint64_t(got);
        if (got < room)
            break;
    }
}

int TWsConnection::ReadBuf(char* Buf, int Size)
{
    FillInput();
    int n = 0;
    while (n < Size && InUsed() > 0) {
        const uint8_t c = InAt(0);
        if (!IsTelnet || (!SkippingSB && c != TelnetIAC && (c != CR || OptBinary != tnoFalse))) {
            Buf[n++] = char(c);
            InSkip(1);
            continue;
        }
        // A sequence cut off at the end of the received bytes waits for the rest.
        if (!ProcessCommands(Buf, Size, n))
            break;
    }
    return n;
}

bool TWsConnection::ProcessCommands(char* Buf, int Size, int& Delivered)
{
    const int avail = InUsed();
    const uint8_t c = InAt(0);
    if (SkippingSB) {
        // A subnegotiation runs up to the next IAC; an SE behind it goes too.
        if (c != TelnetIAC) {
            InSkip(1);
            return true;
        }
        if (avail < 2)
            return false;
        InSkip(InAt(1) == TelnetSE ? 2 : 1);
        SkippingSB = false;
        return true;
    }
    if (c == CR) {
        if (avail < 2)
            return false;
        Buf[Delivered++] = char(CR);
        InSkip(InAt(1) == 0 ? 2 : 1);
        return true;
    }
    if (avail < 2)
        return false;
    const uint8_t command = InAt(1);
    if (command == TelnetIAC) {
        if (Delivered >= Size)
            return false;
        Buf[Delivered++] = char(TelnetIAC);
        InSkip(2);
        return true;
    }
    if (command == TelnetSB || (command >= TelnetWILL && command <= TelnetDONT)) {
        if (avail < 3)
            return false;
        const uint8_t option = InAt(2);
        InSkip(3);
        if (command == TelnetSB) {
            if (option == TelnetOptTermType)
                SendTerminal();
            SkippingSB = true;
        } else {
            HandleCommand(command, option);
        }
        return true;
    }
    HandleCommand(command, 0);  // not handled: logged and skipped
    InSkip(2);
    return true;
}

bool TWsConnection::HandleCommand(uint8_t Command, uint8_t Option)
{
    TTelnetOpt* state = Option == TelnetOptBinary ? &OptBinary
                      : Option == TelnetOptEcho   ? &OptEcho
                      : Option == TelnetOptSGA    ? &OptSGA
                                                  : nullptr;
    switch (Command) {
    case TelnetWILL:
        Log(dstRWill, Option);
        if (!state || Option == TelnetOptTermType) {
            SendCommand(TelnetDONT, Option);
        } else if (*state == tnoNegotiating) {
            *state = tnoTrue;
        } else {
            SendCommand(TelnetDO, Option);
            if (Option == TelnetOptBinary)
                *state = tnoTrue;
        }
        return true;
    case TelnetWONT:
        Log(dstRWont, Option);
        if (!state) {
            SendCommand(TelnetDONT, Option);
        } else {
            if (*state != tnoNegotiating)
                SendCommand(TelnetDONT, Option);
            *state = tnoFalse;
        }
        return true;
    case TelnetDO:
        Log(dstRDo, Option);
        if (Option == TelnetOptTermType) {
            SendCommand(TelnetWILL, Option);
        } else if (Option == TelnetOptBinary) {
            if (*state == tnoNegotiating) {
                *state = tnoTrue;
            } else {
                SendCommand(TelnetWILL, Option);
                *state = tnoTrue;
            }
        } else if (Option == TelnetOptSGA) {
            if (*state == tnoNegotiating)
                *state = tnoTrue;
            else
                SendCommand(*state == tnoTrue ? TelnetWILL : TelnetWONT, Option);
        } else {
            SendCommand(TelnetWONT, Option);
        }
        return true;
    case TelnetDONT:
        Log(dstRDont, Option);
        if (Option == TelnetOptBinary || Option == TelnetOptSGA) {
            if (*state != tnoNegotiating)
                SendCommand(TelnetWONT, Option);
            *state = tnoFalse;
        } else {
            SendCommand(TelnetWONT, Option);
        }
        return true;
    default:
        Log(dstCommand, Command);
        return false;
    }
}

void TWsConnection::SendCommand(uint8_t Verb, uint8_t Option)
{
    const char seq[3] = {char(TelnetIAC), char(Verb), char(Option)};
    SendRaw(seq, 3);
    Log(Verb == TelnetWILL ? dstSWill : Verb == TelnetWONT ? dstSWont : Verb == TelnetDO ? dstSDo : dstSDont, Option);
}

void TWsConnection::SendTerminal()
{
    const QByteArray type = ApdDeviceSocket().TerminalType;
    QByteArray seq;
    seq.append(char(TelnetIAC)).append(char(TelnetSB)).append(char(TelnetOptTermType)).append('\0');
    seq.append(type).append(char(TelnetIAC)).append(char(TelnetSE));
    SendRaw(seq.constData(), int(seq.size()));
    Log(dstSTerm, 0, type);
}

void TWsConnection::SendRaw(const char* Buf, int Len)
{
    if (DataSocket != INVALID_SOCKET)
        SockFuncs.send(DataSocket, Buf, Len, 0);
}

void TWsConnection::FlushInBuffer()
{
    InHead = InTail = 0;
    SkippingSB = false;
}

int TWsConnection::GetInChars()
{
    if (InUsed() >= int(InBuf.size()))
        return int(InBuf.size());
    if (ConnState == wcsConnected)
        FillInput();
    return InUsed();
}

// ---- Output ----

void TWsConnection::FlushOutBuffer() { OutHead = OutTail = 0; }

void TWsConnection::FlushOutput()
{
    if (DataSocket == INVALID_SOCKET)
        return;
    const uint64_t size = OutBuf.size();
    // At most two contiguous pieces: head to the end, then from the start.
    for (int piece = 0; piece < 2 && OutHead < OutTail; ++piece) {
        const uint64_t at = OutHead % size;
        const int run = int(std::min(size - at, OutTail - OutHead));
        const int sent = SockFuncs.send(DataSocket, OutBuf.data() + at, run, 0);
        if (sent <= 0)
            break;
        OutHead += uint64_t(sent);
        if (sent < run)
            break;
    }
}

int TWsConnection::WriteBuf(const char* Buf, int Len)
{
    PendingOutput += std::max(Len, 0);
    const uint64_t size = OutBuf.size();
    int taken = 0;
    const auto put = [&](char b) { OutBuf[OutTail++ % size] = b; };
    const bool plain = !IsTelnet || std::none_of(Buf, Buf + std::max(Len, 0), [](char b) {
        return uint8_t(b) == TelnetIAC || uint8_t(b) == CR;
    });
    while (taken < Len) {
        const uint64_t room = size - (OutTail - OutHead);
        const uint8_t b = uint8_t(Buf[taken]);
        if (plain) {
            if (room == 0)
                break;
            put(char(b));
        } else if (b == TelnetIAC) {
            if (room < 2)
                break;
            put(char(TelnetIAC));
            put(char(TelnetIAC));
        } else if (b == CR && OptBinary == tnoFalse && !(taken + 1 < Len && uint8_t(Buf[taken + 1]) == LF)) {
            if (room < 2)
                break;
            put(char(CR));
            put('\0');
        } else {
            if (room == 0)
                break;
            put(char(b));
        }
        ++taken;
    }
    FlushOutput();
    return taken;
}

int TWsConnection::GetOutChars()
{
    if (ConnState == wcsConnected) {
        if (OutHead == OutTail)
            PendingOutput = 0;
        else
            WriteBuf(nullptr, 0);
    }
    return PendingOutput;
}
