// I/O wrappers and the waits of the port component. While the port shuts down every wrapper
// returns its neutral result without touching the dispatcher.
#include "comms/core/appexceptionhook.h"
#include "comms/core/oomisc.h"
#include "comms/serial/tapdcustomcomport.h"
#include "comms/serial/tapdwin32dispatcher.h"

#include <QCoreApplication>
#include <QThread>
#include <cctype>

void TApdCustomComPort::PutChar(char C)
{
    if (!ShuttingDown())
        Check(ValidDispatcher()->PutChar(C));
}

void TApdCustomComPort::PutString(const QByteArray& S)
{
    if (!ShuttingDown())
        Check(ValidDispatcher()->PutBlock(S.constData(), int(S.size())));
}

int TApdCustomComPort::PutBlock(const char* Buf, int Len)
{
    if (ShuttingDown())
        return 0;
    Check(ValidDispatcher()->PutBlock(Buf, Len));
    return 0;
}

char TApdCustomComPort::GetChar()
{
    if (ShuttingDown())
        return 0;
    char c = 0;
    return Check(ValidDispatcher()->GetChar(c)) == 0 ? c : 0;
}

char TApdCustomComPort::PeekChar(int Count)
{
    if (ShuttingDown())
        return 0;
    char c = 0;
    return Check(ValidDispatcher()->PeekChar(c, Count)) == 0 ? c : 0;
}

int TApdCustomComPort::GetBlock(char* Buf, int Len)
{
    return ShuttingDown() ? 0 : Check(ValidDispatcher()->GetBlock(Buf, Len));
}

int TApdCustomComPort::PeekBlock(char* Buf, int Len)
{
    return ShuttingDown() ? 0 : Check(ValidDispatcher()->PeekBlock(Buf, Len));
}

bool TApdCustomComPort::CharReady()
{
    return !ShuttingDown() && ValidDispatcher()->CharReady();
}

void TApdCustomComPort::FlushInBuffer()
{
    if (!ShuttingDown())
        Check(ValidDispatcher()->FlushInBuffer());
}

void TApdCustomComPort::FlushOutBuffer()
{
    if (!ShuttingDown())
        Check(ValidDispatcher()->FlushOutBuffer());
}

int TApdCustomComPort::ProcessCommunications()
{
    return ShuttingDown() ? 0 : Check(ValidDispatcher()->ProcessCommunications());
}

int TApdCustomComPort::AddDataTrigger(const QByteArray& S, bool IgnoreCase)
{
    return ShuttingDown() ? 0 : Check(ValidDispatcher()->AddDataTriggerLen(S, IgnoreCase, int(S.size())));
}

int TApdCustomComPort::AddTimerTrigger()
{
    return ShuttingDown() ? 0 : Check(ValidDispatcher()->AddTimerTrigger());
}

int TApdCustomComPort::AddStatusTrigger(int Kind)
{
    return ShuttingDown() ? 0 : Check(ValidDispatcher()->AddStatusTrigger(Kind));
}

void TApdCustomComPort::SetTimerTrigger(int Handle, int32_t Ticks, bool Activate)
{
    if (!ShuttingDown())
        Check(ValidDispatcher()->SetTimerTrigger(Handle, Ticks, Activate));
}

void TApdCustomComPort::SetStatusTrigger(int Handle, uint16_t Value, bool Activate)
{
    if (!ShuttingDown())
        Check(ValidDispatcher()->SetStatusTrigger(Handle, Value, Activate));
}

void TApdCustomComPort::RemoveTrigger(int Handle)
{
    if (FPortState == psOpen && FDispatcher)
        Check(FDispatcher->RemoveTrigger(Handle));
}

void TApdCustomComPort::RemoveAllTriggers()
{
    if (FPortState == psOpen && FDispatcher) {
        FDispatcher->RemoveAllTriggers();
        FTriggerLength = 0;
    }
}

void TApdCustomComPort::SendBreak(int32_t Ticks, bool Yield)
{
    if (ShuttingDown())
        return;
    ValidDispatcher();
    if (TApdWin32Dispatcher* d = SerialDispatcher())
        d->SendBreak(Ticks, Yield);
}

void TApdCustomComPort::SetBreak(bool On)
{
    if (ShuttingDown())
        return;
    ValidDispatcher();
    if (TApdWin32Dispatcher* d = SerialDispatcher())
        d->SetBreak(On);
}

void TApdCustomComPort::AddTraceEntry(char Kind, char C)
{
    if (!ShuttingDown())
        ValidDispatcher()->AddTraceEntry(Kind, C);
}

void TApdCustomComPort::AddStringToLog(const QByteArray& S)
{
    if (!ShuttingDown())
        ValidDispatcher()->AddStringToLog(S);
}

TFlowControlState TApdCustomComPort::FlowState()
{
    if (ShuttingDown())
        return fcOff;
    ValidDispatcher();
    TApdWin32Dispatcher* d = SerialDispatcher();
    if (!d)
        return fcOff;
    const int hw = Check(d->HWFlowState());
    const int sw = Check(d->SWFlowState());
    if (hw - 1 != fcOff)
        return TFlowControlState(hw - 1);
    return TFlowControlState(std::max(sw - 1, 0));
}

uint8_t TApdCustomComPort::ModemStatus()
{
    if (ShuttingDown())
        return 0;
    ValidDispatcher();
    TApdWin32Dispatcher* d = SerialDispatcher();
    return d ? d->GetModemStatus() : 0;
}

#define QWL_LINE_CHECK(Name, Op)                                             \
    bool TApdCustomComPort::Name()                                           \
    {                                                                        \
        TApdWin32Dispatcher* d = FPortState == psOpen ? SerialDispatcher() : nullptr; \
        return d && d->Op();                                                 \
    }
QWL_LINE_CHECK(DSR, CheckDSR)
QWL_LINE_CHECK(CTS, CheckCTS)
QWL_LINE_CHECK(RI, CheckRI)
QWL_LINE_CHECK(DCD, CheckDCD)
QWL_LINE_CHECK(DeltaDSR, CheckDeltaDSR)
QWL_LINE_CHECK(DeltaCTS, CheckDeltaCTS)
QWL_LINE_CHECK(DeltaRI, CheckDeltaRI)
QWL_LINE_CHECK(DeltaDCD, CheckDeltaDCD)
QWL_LINE_CHECK(LineBreak, CheckLineBreak)
#undef QWL_LINE_CHECK

uint16_t TApdCustomComPort::LineError()
{
    TApdWin32Dispatcher* d = FPortState == psOpen ? SerialDispatcher() : nullptr;
    return d ? uint16_t(Check(d->GetLineError()) & 0xFFFF) : 0;
}

int TApdCustomComPort::InBuffUsed()
{
    return FPortState == psOpen && FDispatcher ? FDispatcher->InBuffUsed() : 0;
}

int TApdCustomComPort::InBuffFree()
{
    return FPortState == psOpen && FDispatcher ? FDispatcher->InBuffFree() : DispatchBufferSize;
}

int TApdCustomComPort::OutBuffUsed()
{
    return FPortState == psOpen && FDispatcher ? FDispatcher->OutBuffUsed() : 0;
}

int TApdCustomComPort::OutBuffFree()
{
    return FPortState == psOpen && FDispatcher ? FDispatcher->OutBuffFree() : FOutSize;
}

// ---- Waiting for text ----

namespace {

char upper(char C)
{
    return char(std::toupper(static_cast<unsigned char>(C)));
}

// One step of the match of S against the received stream, restarting at the first
// character after a mismatch.
bool matchStep(int& Index, char C, const QByteArray& S, bool IgnoreCase)
{
    if (S.isEmpty())
        return false;
    if (Index < 0 || Index >= S.size())
        Index = 0;
    const char c = IgnoreCase ? upper(C) : C;
    const char want = IgnoreCase ? upper(S[Index]) : S[Index];
    if (c == want) {
        if (++Index == S.size()) {
            Index = 0;
            return true;
        }
        return false;
    }
    const char first = IgnoreCase ? upper(S[0]) : S[0];
    Index = c == first ? 1 : 0;
    if (Index == S.size()) {  // a one-character string
        Index = 0;
        return true;
    }
    return false;
}

bool terminating()
{
    return ApplicationTerminated();
}

// Lets the event loop run briefly without spinning.
void idle(bool HandleEvents)
{
    if (HandleEvents)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QThread::msleep(2);
}

}  // namespace

bool TApdCustomComPort::CheckForString(uint8_t& Index, char C, const QByteArray& S, bool IgnoreCase)
{
    if (ShuttingDown())
        return false;
    int i = Index;
    const bool hit = matchStep(i, C, S, IgnoreCase);
    Index = uint8_t(i);
    return hit;
}

void TApdCustomComPort::PrepareWait()
{
    if (ShuttingDown())
        return;
    FWaitPrepared = true;
    ValidDispatcher()->SetEventBusy(FPreparedBusy, true);
}

void TApdCustomComPort::EndWait(bool OldBusy)
{
    const bool clear = FWaitPrepared ? !FPreparedBusy : !OldBusy;
    if (clear && FDispatcher) {
        bool previous;
        FDispatcher->SetEventBusy(previous, false);
    }
    FWaitPrepared = false;
    FPreparedBusy = false;
}

bool TApdCustomComPort::WaitForString(const QByteArray& S, int32_t Timeout, bool HandleEvents, bool IgnoreCase)
{
    if (S.isEmpty() || ShuttingDown())
        return true;
    bool old = false;
    ValidDispatcher()->SetEventBusy(old, true);
    EventTimer et;
    NewTimer(et, Timeout);
    int index = 0;
    bool matched = false, expired = false, ended = false;
    while (!matched && !expired && !ended) {
        if (FPortState != psOpen || !FDispatcher)
            break;  // closed meanwhile: not found
        if (FDispatcher->CharReady()) {
            char c = 0;
            if (FDispatcher->GetChar(c) != 0)
                continue;
            WaitChar(c);
            matched = matchStep(index, c, S, IgnoreCase);
            continue;
        }
        expired = TimerExpired(et);
        idle(HandleEvents);
        ended = terminating();
    }
    EndWait(old);
    // A port closed or a program ending meanwhile is no match.
    return matched;
}

int TApdCustomComPort::WaitForMultiString(const QByteArray& S, int32_t Timeout, bool HandleEvents,
                                          bool IgnoreCase, char SepChar)
{
    if (S.isEmpty() || ShuttingDown())
        return 0;
    QList<QByteArray> parts = S.split(SepChar);
    if (!parts.isEmpty() && parts.back().isEmpty())
        parts.removeLast();  // a trailing separator adds no alternative
    while (parts.size() > 127)
        parts.removeLast();
    std::vector<int> indexes(size_t(parts.size()), 0);
    bool old = false;
    ValidDispatcher()->SetEventBusy(old, true);
    EventTimer et;
    NewTimer(et, Timeout);
    int found = 0;
    while (found == 0) {
        if (FPortState != psOpen || !FDispatcher || terminating() || TimerExpired(et))
            break;
        if (!FDispatcher->CharReady()) {
            idle(HandleEvents);
            continue;
        }
        char c = 0;
        if (FDispatcher->GetChar(c) != 0)
            continue;
        WaitChar(c);
        for (int i = 0; i < parts.size(); ++i) {
            if (matchStep(indexes[size_t(i)], c, parts[i], IgnoreCase) && found == 0)
                found = i + 1;
        }
    }
    EndWait(old);
    return found;
}
