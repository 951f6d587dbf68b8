#include "comms/dispatch/tapdbasedispatcher.h"

#include "comms/core/adexcept.h"

#include <algorithm>
#include <cstring>

namespace {

std::recursive_mutex& portListLock()
{
    static std::recursive_mutex m;
    return m;
}

std::vector<TApdBaseDispatcher*>& portList()
{
    static std::vector<TApdBaseDispatcher*> list;
    return list;
}

// The last answer of FindComRec.
int g_cacheCid = -1;
TApdBaseDispatcher* g_cacheRec = nullptr;

}  // namespace

// ---- Construction and the port list ----

TApdBaseDispatcher::TApdBaseDispatcher(QObject* Owner) : Owner(Owner)
{
    std::lock_guard<std::recursive_mutex> lock(portListLock());
    auto& list = portList();
    auto slot = std::find(list.begin(), list.end(), nullptr);
    if (slot != list.end()) {
        *slot = this;
        Handle = int32_t(slot - list.begin());
    } else {
        list.push_back(this);
        Handle = int32_t(list.size() - 1);
    }
}

TApdBaseDispatcher::~TApdBaseDispatcher()
{
    std::lock_guard<std::recursive_mutex> lock(portListLock());
    auto& list = portList();
    if (Handle >= 0 && Handle < int32_t(list.size()) && list[Handle] == this)
        list[Handle] = nullptr;
    while (!list.empty() && list.back() == nullptr)
        list.pop_back();
    if (g_cacheRec == this) {
        g_cacheRec = nullptr;
        g_cacheCid = -1;
    }
}

void TApdBaseDispatcher::CloseForDestroy()
{
    if (ClosePending)
        DonePortPrim();
    else
        DonePort();
    // Bounded: a thread that never ends must not hang the program on exit.
    for (int i = 0; i < 2000 && ThreadCount.load() > 0; ++i) {
        if (SafeYield() == 0)
            DelayMS(1);
    }
}

void TApdBaseDispatcher::LockPortList() { portListLock().lock(); }
void TApdBaseDispatcher::UnlockPortList() { portListLock().unlock(); }

int TApdBaseDispatcher::PortListCount()
{
    std::lock_guard<std::recursive_mutex> lock(portListLock());
    return int(portList().size());
}

TApdBaseDispatcher* TApdBaseDispatcher::PortListAt(int Index)
{
    std::lock_guard<std::recursive_mutex> lock(portListLock());
    auto& list = portList();
    return Index >= 0 && Index < int(list.size()) ? list[Index] : nullptr;
}

TApdBaseDispatcher* TApdBaseDispatcher::FindComRec(int Cid, bool (*IsClass)(const TApdBaseDispatcher*))
{
    std::lock_guard<std::recursive_mutex> lock(portListLock());
    if (g_cacheRec && g_cacheCid == Cid && g_cacheRec->ComHandle == Cid && IsClass(g_cacheRec))
        return g_cacheRec;
    for (TApdBaseDispatcher* d : portList()) {
        if (d && d->ComHandle == Cid && IsClass(d)) {
            g_cacheCid = Cid;
            g_cacheRec = d;
            return d;
        }
    }
    return nullptr;
}

// ---- Opening and closing ----

void TApdBaseDispatcher::PrepareOpen(int InSize, int OutSize)
{
    {
        std::lock_guard<std::recursive_mutex> lock(DispLock);
        DBuffer.assign(DispatchBufferSize, 0);
        DBufHead = DBufTail = 0;
        DataNotify = false;
        TakenNow = TakenMax = 0;
    }
    {
        std::lock_guard<std::recursive_mutex> lock(OutLock);
        OBuffer.assign(std::max(OutSize, 0), 0);
        OBufHead = OBufTail = 0;
        ComStatus = TComStat();
    }
    InQue = InSize;
    OutQue = OutSize;
    LastError = 0;
    OutSentPending = false;
    ClosePending = false;
    NotifyBusy = false;
    WaitBusy = false;
    LastCheckPos = 0;
    LastLenPos = 0;
    RemoveAllTriggers();
    ResetStatusHits();
    {
        std::lock_guard<std::recursive_mutex> lock(MainLock);
        PurgePending = false;
        ModemStatus = 0;
        Baud = 115200;
        RS485Mode = false;
        BaseAddress = 0;
        TracingOn = false;
        DLoggingOn = false;
    }
    TimeBase = AdTimeGetTime();
}

void TApdBaseDispatcher::DonePort()
{
    if (ComHandle >= 0) {
        FlushOutBuffer();
        FlushInBuffer();
        CloseCom();
        ComHandle = -1;
    }
    if (EventBusy())
        ClosePending = true;
    else
        DonePortPrim();
}

void TApdBaseDispatcher::DonePortPrim()
{
    if (DispActive)
        StopDispatcher();  // no lock held while the threads are stopped
    {
        std::lock_guard<std::recursive_mutex> lock(DispLock);
        DBuffer.clear();
        DBuffer.shrink_to_fit();
        DBufHead = DBufTail = 0;
    }
    std::lock_guard<std::recursive_mutex> lock(OutLock);
    OBuffer.clear();
    OBuffer.shrink_to_fit();
    OBufHead = OBufTail = 0;
}

void TApdBaseDispatcher::SetThreadBoost(uint8_t Boost) { ThreadBoost = Boost; }

// ---- Data in ----

uint64_t TApdBaseDispatcher::ReadPos() const { return DBufTail + (DataNotify ? uint64_t(TakenNow) : 0); }

bool TApdBaseDispatcher::DBufFull() const
{
    return !DBuffer.empty() && DBufHead - DBufTail >= uint64_t(DispatchBufferSize);
}

bool TApdBaseDispatcher::CharReady() { return InBuffUsed() > 0; }

int TApdBaseDispatcher::InBuffUsed()
{
    std::lock_guard<std::recursive_mutex> lock(DispLock);
    const uint64_t pos = ReadPos();
    return DBufHead > pos ? int(DBufHead - pos) : 0;
}

int TApdBaseDispatcher::InBuffFree()
{
    std::lock_guard<std::recursive_mutex> lock(DispLock);
    if (DBuffer.empty())
        return 0;
    return DispatchBufferSize - InBuffUsed();
}

int TApdBaseDispatcher::PeekChar(char& Ch, int Count)
{
    std::lock_guard<std::recursive_mutex> lock(DispLock);
    if (Count < 1 || InBuffUsed() < Count)
        return ecBufferIsEmpty;
    Ch = DBuffer[(ReadPos() + uint64_t(Count - 1)) % DispatchBufferSize];
    return ecOK;
}

int TApdBaseDispatcher::GetChar(char& Ch)
{
    const int res = GetBlock(&Ch, 1);
    return res < 0 ? res : ecOK;
}

int TApdBaseDispatcher::PeekBlock(char* Buf, int Len)
{
    std::lock_guard<std::recursive_mutex> lock(DispLock);
    if (Len < 0 || InBuffUsed() < Len)
        return ecBufferIsEmpty;
    const uint64_t pos = ReadPos();
    for (int i = 0; i < Len; ++i)
        Buf[i] = DBuffer[(pos + uint64_t(i)) % DispatchBufferSize];
    return Len;
}

int TApdBaseDispatcher::GetBlock(char* Buf, int Len)
{
    {
        std::lock_guard<std::recursive_mutex> lock(DispLock);
        if (PeekBlock(Buf, Len) < 0)
            return ecBufferIsEmpty;
        if (DataNotify)
            TakenNow += Len;  // look ahead: the notification consumes at its end
        else
            DBufTail += uint64_t(Len);
    }
    // The dispatch lock is released before the main lock is taken.
    std::lock_guard<std::recursive_mutex> lock(MainLock);
    if (TracingOn)
        for (int i = 0; i < Len; ++i)
            AddTraceEntry('R', Buf[i]);
    return Len;
}

int TApdBaseDispatcher::FlushInBuffer()
{
    const int res = FlushCom(1);
    {
        std::lock_guard<std::recursive_mutex> lock(DispLock);
        if (DataNotify) {
            TakenMax = int32_t(DBufHead - DBufTail);
        } else {
            DBufTail = DBufHead;
            TakenNow = 0;
        }
    }
    ResetDataTriggers();
    return res;
}

// ---- Data out ----

int TApdBaseDispatcher::PutChar(char Ch) { return PutBlock(&Ch, 1); }

int TApdBaseDispatcher::PutString(const QByteArray& S) { return PutBlock(S.constData(), int(S.size())); }

int TApdBaseDispatcher::PutBlock(const char* Buf, int Len)
{
    if (Len <= 0)
        return ecOK;
    {
        std::lock_guard<std::recursive_mutex> lock(OutLock);
        TComStat stat;
        // Errors read here are the line's too: they must reach the line-status checks.
        LastError.fetch_or(uint32_t(GetComError(stat)) & 31u);
        ComStatus = stat;
        const int free = OutQue - int(stat.cbOutQue);
        if (Len > free)
            return ecOutputBufferTooSmall;
        // RS-485 turnaround by the UART register does not exist here; the device layer's
        // RTS handling serves (see the serial layer).
        if (WriteCom(Buf, Len) < 1) {
            LastError.fetch_or(uint32_t(GetComError(stat)) & 31u);
            ComStatus = stat;
            return ecPutBlockFail;
        }
    }
    OutSentPending = true;
    std::lock_guard<std::recursive_mutex> lock(MainLock);
    AddDispatchEntry(dtDispatch, dstWriteCom, uint32_t(Len), Buf, uint32_t(Len));
    if (TracingOn)
        for (int i = 0; i < Len; ++i)
            AddTraceEntry('T', Buf[i]);
    return ecOK;
}

int TApdBaseDispatcher::OutBuffUsed()
{
    TComStat stat;
    LastError.fetch_or(uint32_t(GetComError(stat)) & 31u);
    std::lock_guard<std::recursive_mutex> lock(OutLock);
    ComStatus = stat;
    return int(stat.cbOutQue);
}

int TApdBaseDispatcher::OutBuffFree() { return OutQue - OutBuffUsed(); }

int TApdBaseDispatcher::FlushOutBuffer() { return FlushCom(0); }

void TApdBaseDispatcher::BufferSizes(int& InSize, int& OutSize)
{
    InSize = InQue;
    OutSize = OutQue;
}

// ---- Output ring ----

int TApdBaseDispatcher::OutRingUsed()
{
    std::lock_guard<std::recursive_mutex> lock(OutLock);
    return int(OBufHead - OBufTail);
}

int TApdBaseDispatcher::OutRingFree()
{
    std::lock_guard<std::recursive_mutex> lock(OutLock);
    return int(OBuffer.size()) - int(OBufHead - OBufTail);
}

int TApdBaseDispatcher::OutRingWrite(const char* Buf, int Len)
{
    std::lock_guard<std::recursive_mutex> lock(OutLock);
    const int size = int(OBuffer.size());
    const int n = std::min(Len, size - int(OBufHead - OBufTail));
    for (int i = 0; i < n; ++i)
        OBuffer[(OBufHead + uint64_t(i)) % uint64_t(size)] = Buf[i];
    OBufHead += uint64_t(std::max(n, 0));
    return std::max(n, 0);
}

int TApdBaseDispatcher::OutRingPeek(const char*& Run)
{
    std::lock_guard<std::recursive_mutex> lock(OutLock);
    Run = nullptr;
    const uint64_t used = OBufHead - OBufTail;
    if (used == 0 || OBuffer.empty())
        return 0;
    const uint64_t at = OBufTail % OBuffer.size();
    Run = OBuffer.data() + at;
    return int(std::min<uint64_t>(used, OBuffer.size() - at));
}

void TApdBaseDispatcher::OutRingConsume(int Count)
{
    std::lock_guard<std::recursive_mutex> lock(OutLock);
    OBufTail += std::min<uint64_t>(uint64_t(std::max(Count, 0)), OBufHead - OBufTail);
}

void TApdBaseDispatcher::OutRingClear()
{
    std::lock_guard<std::recursive_mutex> lock(OutLock);
    OBufTail = OBufHead;
}

// ---- Other ----

void TApdBaseDispatcher::SetDataPointer(void* P, int Index)
{
    std::lock_guard<std::recursive_mutex> lock(MainLock);
    if (Index >= 1 && Index <= 3)
        DataPointers[Index - 1] = P;
}

int TApdBaseDispatcher::GetDataPointer(void*& P, int Index)
{
    std::lock_guard<std::recursive_mutex> lock(MainLock);
    if (Index < 1 || Index > 3)
        return ecBadArgument;
    P = DataPointers[Index - 1];
    return ecOK;
}

void TApdBaseDispatcher::OptionsOn(uint32_t Flags)
{
    std::lock_guard<std::recursive_mutex> lock(MainLock);
    Options |= Flags;
}

void TApdBaseDispatcher::OptionsOff(uint32_t Flags)
{
    std::lock_guard<std::recursive_mutex> lock(MainLock);
    Options &= ~Flags;
}

bool TApdBaseDispatcher::OptionsAreOn(uint32_t Flags)
{
    std::lock_guard<std::recursive_mutex> lock(MainLock);
    return (Options & Flags) == Flags;
}

void TApdBaseDispatcher::CreateDispatcherWindow()
{
    if (!DispatcherWindow)
        DispatcherWindow = std::make_unique<THiddenWindow>(QStringLiteral("awDispatch"));
}

// ---- Moving received bytes into the dispatch ring ----

void TApdBaseDispatcher::RefreshStatus()
{
    TComStat stat;
    const int errors = GetComError(stat);
    LastError.fetch_or(uint32_t(errors) & 31u);
    std::lock_guard<std::recursive_mutex> lock(OutLock);
    ComStatus = stat;
}

bool TApdBaseDispatcher::ExtractData()
{
    struct Chunk {
        uint64_t from;
        int count;
    };
    Chunk chunks[2] = {};
    QByteArray logged;
    {
        std::lock_guard<std::recursive_mutex> lock(DispLock);
        if (DBuffer.empty())
            return false;
        if (DBufFull())
            return true;
        TComStat stat;
        {
            const int errors = GetComError(stat);
            LastError.fetch_or(uint32_t(errors) & 31u);
            std::lock_guard<std::recursive_mutex> out(OutLock);
            ComStatus = stat;
        }
        if (stat.cbInQue == 0)
            return false;
        const uint64_t freeSpace = uint64_t(DispatchBufferSize) - (DBufHead - DBufTail);
        int want = int(std::min<uint64_t>(freeSpace, stat.cbInQue));
        for (Chunk& c : chunks) {
            if (want <= 0)
                break;
            const uint64_t at = DBufHead % DispatchBufferSize;
            const int ask = int(std::min<uint64_t>(uint64_t(want), DispatchBufferSize - at));
            int got = ReadCom(DBuffer.data() + at, ask);
            if (got < 0)
                got = 0;
            got = std::min(got, ask);
            c = {DBufHead, got};
            DBufHead += uint64_t(got);
            want -= got;
            if (got < ask)
                break;
        }
        for (const Chunk& c : chunks)
            if (c.count > 0)
                logged.append(DBuffer.data() + c.from % DispatchBufferSize, c.count);
    }
    std::lock_guard<std::recursive_mutex> lock(MainLock);
    if (DLoggingOn)
        for (const Chunk& c : chunks) {
            if (c.count <= 0)
                continue;
            AddDispatchEntry(dtDispatch, dstReadCom, uint32_t(c.count), logged.constData(), uint32_t(c.count));
            logged.remove(0, c.count);
        }
    return true;
}
