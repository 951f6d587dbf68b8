#include "comms/serial/tapdwin32dispatcher.h"

#include "comms/core/eapdexception.h"
#include "comms/core/errorcodes.h"
#include "comms/core/oomisc.h"
#include "comms/core/tapdsyncqueue.h"
#include "comms/serial/tcomthread.h"
#include "comms/serial/tdispthread.h"
#include "comms/serial/toutthread.h"

#include <thread>

namespace {
constexpr int kStartWaitMs = 3000;
constexpr int kFlushWaitMs = 5000;
constexpr int kDrainLimitMs = 5000;  // queued output at a close: the longest wait for it
}  // namespace

TApdWin32Dispatcher::TApdWin32Dispatcher(QObject* Owner) : TApdBaseDispatcher(Owner) {}

TApdWin32Dispatcher::~TApdWin32Dispatcher()
{
    CloseForDestroy();
    StopDispatcher();
    CloseDevice();
    CloseEvents();
}

// ---- Opening and closing ----

bool TApdWin32Dispatcher::CreateEvents()
{
    ComEvent = std::make_unique<SyncEvent>(false);
    ReadyEvent = std::make_unique<SyncEvent>(false);
    GeneralEvent = std::make_unique<SyncEvent>(false);
    OutputEvent = std::make_unique<SyncEvent>(false);
    OutFlushEvent = std::make_unique<SyncEvent>(false);
    return ComEvent->valid() && ReadyEvent->valid() && GeneralEvent->valid() && OutputEvent->valid() &&
           OutFlushEvent->valid();
}

void TApdWin32Dispatcher::CloseEvents()
{
    ComEvent.reset();
    ReadyEvent.reset();
    GeneralEvent.reset();
    OutputEvent.reset();
    OutFlushEvent.reset();
}

int TApdWin32Dispatcher::InitPort(const QString& Name, uint32_t Baud, int Parity, int DataBits, int StopBits,
                                  int InSize, int OutSize, uint32_t Options)
{
    if (ComHandle >= 0 || ThreadsRunning())
        return ecAlreadyOpen;
    RingFlag = false;
    BreakFlag = false;
    EventMask = 0;
    if (!CreateEvents()) {
        CloseEvents();
        return ecOutOfMemory;
    }
    DeviceName = Name;
    const int handle = OpenCom(Name, InSize, OutSize);
    if (handle < 0) {
        DonePort();
        CloseEvents();
        return handle;
    }
    ComHandle = handle;
    int res = SetCommBuffers(InSize, OutSize);
    if (res < 0) {
        DonePort();
        return res;
    }
    PrepareOpen(InSize, OutSize);

    {
        std::lock_guard<std::recursive_mutex> lock(MainLock);
        GetComState(DCB);
        if (!(Options & ipAutoDTR)) {
            DTRAuto = false;
            SetDtr(Options & ipAssertDTR);
        } else {
            DTRAuto = true;
        }
        if (!(Options & ipAutoRTS)) {
            RTSAuto = false;
            SetRts(Options & ipAssertRTS);
        } else {
            RTSAuto = true;
        }
        ModemStatus = 0;
    }
    GetModemStatusPrim(0xF0);
    {
        std::lock_guard<std::recursive_mutex> lock(MainLock);
        this->Baud = 115200;
    }
    // Written whatever the device seems to hold: a tty keeps the settings of its last user
    // (stop bits, hardware flow), which the device's first reading does not show.
    res = ApplyLine(Baud, Parity, DataBits, StopBits, true);
    if (res < 0) {
        DonePort();
        return res;
    }
    RefreshStatus();
    TimeBase = AdTimeGetTime();
    StartDispatcher();
    return 0;
}

int TApdWin32Dispatcher::SetCommBuffers(int InSize, int OutSize)
{
    return SetupCom(InSize, OutSize) ? 0 : ecBadArgument;
}

void TApdWin32Dispatcher::DrainOutput()
{
    // The last command before a close ("reboot", "reload") must reach the device.
    if (ComHandle < 0 || !OutThread || KillThreads)
        return;
    for (int waited = 0; waited < kDrainLimitMs && OutBuffUsed() > 0 && ThreadsRunning(); waited += 2)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    Device.Drain();
}

void TApdWin32Dispatcher::DonePort()
{
    DrainOutput();
    TApdBaseDispatcher::DonePort();
}

void TApdWin32Dispatcher::DonePortPrim()
{
    StopDispatcher();
    if (ComThread || DispThread || OutThread)
        return;  // asked from a thread of this port: the owner finishes once it has joined them
    TApdBaseDispatcher::DonePortPrim();
    CloseDevice();
    CloseEvents();
}

// ---- Worker threads ----

void TApdWin32Dispatcher::StartDispatcher()
{
    if (DispActive)
        throw EAPDException(QStringLiteral("Dispatcher already started"));
    DispActive = true;
    KillThreads = false;
    DonePending = false;
    DeviceClosePending = false;
    // Started in this order, each given up to 3000 ms to report that it runs.
    ComThread = std::make_unique<TComThread>(*this);
    ComThread->Start();
    GeneralEvent->Wait(kStartWaitMs);
    DispThread = std::make_unique<TDispThread>(*this);
    DispThread->Start();
    GeneralEvent->Wait(kStartWaitMs);
    OutThread = std::make_unique<TOutThread>(*this);
    OutThread->Start();
    GeneralEvent->Wait(kStartWaitMs);
}

void TApdWin32Dispatcher::SignalThreadsToStop()
{
    KillThreads = true;
    Device.StopWait();
    if (OutFlushEvent)
        OutFlushEvent->Set();
    if (ReadyEvent)
        ReadyEvent->Set();
    if (ComEvent)
        ComEvent->Set();
}

void TApdWin32Dispatcher::JoinThreads()
{
    // A dispatch thread inside a synchronised call or a window notice returns at once, so
    // the join never waits on this thread.
    const void* token = static_cast<TApdBaseDispatcher*>(this);
    TApdSyncQueue::Cancel(token);
    if (OutThread)
        OutThread->Join();
    if (ComThread)
        ComThread->Join();
    if (DispThread)
        DispThread->Join();
    TApdSyncQueue::Resume(token);
    OutThread.reset();
    ComThread.reset();
    DispThread.reset();
    DispActive = false;
}

void TApdWin32Dispatcher::StopDispatcher()
{
    if (!ComThread && !DispThread && !OutThread)
        return;
    SignalThreadsToStop();
    // A thread of this port cannot join itself: the owner joins them later.
    if (TApdDispatcherThread::CurrentDispatcher() == this)
        return;
    JoinThreads();
    if (DeviceClosePending)
        CloseDevice();
}

void TApdWin32Dispatcher::ThreadGone(TApdDispatcherThread* Thread)
{
    if (Thread == DispThread.get())
        DonePending = ClosePending || KillThreads;
    if (--ThreadCount == 0)
        DispActive = false;
}

bool TApdWin32Dispatcher::SyncCall(const std::function<void()>& Method)
{
    if (TApdSyncQueue::OnGuiThread()) {
        Method();
        return true;
    }
    return TApdSyncQueue::Call(Method, -1, static_cast<TApdBaseDispatcher*>(this)) == TApdSyncQueue::Done;
}

// ---- Device operations ----

int TApdWin32Dispatcher::OpenCom(const QString& Name, int InQueue, int OutQueue)
{
    const int res = Device.Open(Name.toStdString());
    if (res < 0)
        return res;
    return Device.fd();
}

void TApdWin32Dispatcher::CloseDevice()
{
    DeviceClosePending = false;
    if (Device.IsOpen())
        Device.Close();
}

int TApdWin32Dispatcher::CloseCom()
{
    if (ComThread || DispThread || OutThread) {
        // Inside a notification the dispatch thread may be waiting for this very thread:
        // only ask the threads to stop, the device closes after they are joined.
        if (EventBusy() || TApdDispatcherThread::CurrentDispatcher() == this) {
            SignalThreadsToStop();
            DeviceClosePending = true;
            return 0;
        }
        StopDispatcher();
    }
    const int res = Device.IsOpen() ? Device.Close() : 0;
    DeviceClosePending = false;
    return res < 0 ? -1 : 0;
}

int TApdWin32Dispatcher::ReadCom(char* Buf, int Size)
{
    const int n = Device.Read(Buf, Size);
    return n < 0 ? 0 : n;
}

int TApdWin32Dispatcher::WriteCom(const char* Buf, int Size)
{
    const int n = OutRingWrite(Buf, Size);
    if (OutputEvent)
        OutputEvent->Set();
    return n;
}

int TApdWin32Dispatcher::GetComError(TComStat& Stat)
{
    uint32_t errors = 0;
    if (Device.GetErrors(errors, Stat) < 0)
        errors = 0;
    if (errors & CE_BREAK)
        BreakFlag = true;
    Stat.cbOutQue = uint32_t(OutRingUsed());
    return int(errors);
}

int TApdWin32Dispatcher::FlushCom(int Queue)
{
    if (Queue == 0 && OutThread && !KillThreads) {
        OutFlushEvent->Set();
        GeneralEvent->Wait(kFlushWaitMs);
        std::lock_guard<std::recursive_mutex> lock(OutLock);
        OutRingClear();
        // Bytes the driver already took are on their way; drop only what it still holds.
        uint32_t errors;
        TComStat st;
        const bool read = Device.GetErrors(errors, st) == 0;
        if (read)
            LastError.fetch_or(errors & 31u);
        if (read && st.cbOutQue > 0)
            return Device.Purge(PURGE_TXABORT | PURGE_TXCLEAR);
        return 0;
    }
    if (Queue == 0) {
        std::lock_guard<std::recursive_mutex> lock(OutLock);
        OutRingClear();
        return 0;
    }
    return Device.Purge(PURGE_RXABORT | PURGE_RXCLEAR);
}

int TApdWin32Dispatcher::GetComState(TDCB& Dcb)
{
    return Device.GetState(Dcb) < 0 ? -1 : 0;
}

int TApdWin32Dispatcher::SetComState(TDCB& Dcb)
{
    return Device.SetState(Dcb);
}

int TApdWin32Dispatcher::EscapeComFunction(int Func)
{
    return Device.Escape(Func) < 0 ? -1 : 0;
}

bool TApdWin32Dispatcher::WaitComEvent(uint32_t& EvtMask)
{
    // With the dispatch ring full, arrivals are left in the device until there is room.
    const bool wantInput = InBuffFree() > 0;
    EvtMask = Device.WaitEvent(EvtMask, wantInput, wantInput ? -1 : 50);
    return EvtMask != 0;
}

int TApdWin32Dispatcher::ProcessCommunications()
{
    std::this_thread::yield();
    return 0;
}
