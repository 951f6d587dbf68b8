#pragma once
#include "comms/core/oomisc.h"
#include "comms/dispatch/tcomstat.h"
#include "comms/dispatch/tdcb.h"
#include "comms/dispatch/tdispatchrecord.h"
#include "comms/core/thiddenwindow.h"

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <atomic>
#include <cstdio>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

// The engine under every port: the dispatch ring (received bytes), the output ring, the
// triggers (available length, data strings, timers, status conditions), the handlers that are
// told when a trigger fires, the trace and the dispatch log.
//
// Device layers derive from it and implement the device operations (the "device interface"
// section below). The serial layer drives it from its worker threads, the socket layer from
// the GUI thread.
//
// Thread rules:
// - ExtractData, CheckTriggers (and the Check*Triggers) and SendNotify run on one thread only,
//   the dispatcher thread of the layer. Handlers run there too, without any lock held, except
//   synchronised event handlers, which run on the GUI thread while the dispatcher thread waits.
// - Everything else may be called from any thread: the data, trigger and handler operations
//   take the locks they need.
// - Locks (std::recursive_mutex): MainLock guards the trigger and handler lists, LenTrigger,
//   TriggerCounter, the line settings, ModemStatus, the options, the data pointers, the trace
//   and the dispatch log; DispLock the dispatch ring, DataNotify and the look-ahead counts;
//   OutLock the output ring and ComStatus. OutLock is always taken last; MainLock and DispLock
//   are never held together. No lock is held while waiting for a thread or a synchronised call.
// - The port list has its own process-wide lock (LockPortList).

// Notification messages; lParam = dispatcher Handle shl 16 + data.
inline constexpr uint32_t wmTriggerAvail = 0x7E01;   // wParam: bytes available
inline constexpr uint32_t wmTriggerData = 0x7E02;    // wParam: trigger handle; data: its length
inline constexpr uint32_t wmTriggerTimer = 0x7E03;   // wParam: trigger handle
inline constexpr uint32_t wmTriggerStatus = 0x7E04;  // wParam: trigger handle; data: by kind

inline constexpr int DispatchBufferSize = 8192;
inline constexpr int MaxTrigData = 21;  // longest data trigger
inline constexpr int LenTriggerHandle = 1;

enum TTriggerType { ttNone, ttAvail, ttTimer, ttData, ttStatus };
enum TApHandlerFlagUpdate { fuKeepPort, fuEnablePort, fuDisablePort };

// Status trigger kinds.
enum : int { stNotActive = 0, stModem = 1, stLine = 2, stOutBuffFree = 3, stOutBuffUsed = 4, stOutSent = 5 };

using TApdNotifyProc = void (*)(uint32_t Msg, uint32_t wParam, int32_t lParam);
using TApdNotifyEvent = std::function<void(uint32_t Msg, uint32_t wParam, int32_t lParam)>;

struct TTimerTrigger {
    int32_t Handle = 0;
    EventTimer ET;
    int32_t Ticks = 0;   // the last duration
    int32_t Valid = -1;  // set at creation, not read
    bool Active = false;
};

struct TDataTrigger {
    int32_t Handle = 0;
    int32_t Length = 0;
    int32_t Counters[MaxTrigData + 1] = {};
    bool Matched = false;
    bool IgnoreCase = false;
    char Str[MaxTrigData + 1] = {};  // upper case when IgnoreCase
};

struct TStatusTrigger {
    int32_t Handle = 0;  // handle number + kind in the low three bits
    int32_t Kind = 0;
    uint16_t Value = 0;
    bool Armed = false;
    bool Hit = false;
};

struct TTriggerSave {
    int32_t LenTrigger = 0;
    std::vector<TTimerTrigger> TimerTriggers;
    std::vector<TDataTrigger> DataTriggers;
    std::vector<TStatusTrigger> StatusTriggers;
};

inline int ClassifyStatusTrigger(int32_t Handle) { return Handle & 7; }

class TApdBaseDispatcher {
public:
    explicit TApdBaseDispatcher(QObject* Owner);
    virtual ~TApdBaseDispatcher();
    TApdBaseDispatcher(const TApdBaseDispatcher&) = delete;
    TApdBaseDispatcher& operator=(const TApdBaseDispatcher&) = delete;

    // ---- Device interface: what a device layer implements ----
    // Results: 0 or a negative library code unless said otherwise. The dispatcher calls
    // ReadCom and GetComError from the dispatcher thread (ExtractData) and WriteCom and
    // GetComError from any thread (PutBlock); the others from the thread that opens, closes
    // or sets the line.
    virtual int EscapeComFunction(int Func) = 0;             // DTR/RTS/break/XON escapes
    virtual int FlushCom(int Queue) = 0;                     // 0 output, 1 input
    // Line-error flags (1,2,4,8,16) since the last call; Stat filled, cbOutQue = bytes in the
    // output ring. Called with DispLock or OutLock held: it may take OutLock only.
    virtual int GetComError(TComStat& Stat) = 0;
    virtual int GetComEventMask(int EvtMask) = 0;
    virtual int GetComState(TDCB& DCB) = 0;
    virtual int ReadCom(char* Buf, int Size) = 0;            // bytes read, never blocks; < 0 failure
    virtual int SetComState(TDCB& DCB) = 0;
    virtual int WriteCom(const char* Buf, int Size) = 0;     // queue Size bytes (OutRingWrite); Size or < 1
    virtual bool WaitComEvent(uint32_t& EvtMask) = 0;
    virtual bool SetupCom(int InSize, int OutSize) = 0;
    // Stops the threads (StopDispatcher, when DispActive) and releases both rings; idempotent.
    // After a deferred close it runs on the dispatcher thread itself: a layer's StopDispatcher
    // must then not join that thread.
    virtual void DonePortPrim();
    virtual void StartDispatcher() = 0;
    virtual void StopDispatcher() = 0;                       // idempotent; no lock held while joining
    virtual int OpenCom(const QString& Name, int InQueue, int OutQueue) = 0;  // handle >= 0 or code
    virtual int CloseCom() = 0;
    virtual int ProcessCommunications() = 0;
    virtual void SetThreadBoost(uint8_t Boost);
    virtual void UpdateHandlerFlags(TApHandlerFlagUpdate Update);

    // Closes the device: flush both ways and CloseCom when open, then DonePortPrim, or only
    // ClosePending while a notification runs (the dispatcher thread finishes the close).
    virtual void DonePort();

    // ---- Port list ----
    static void LockPortList();
    static void UnlockPortList();
    static int PortListCount();
    static TApdBaseDispatcher* PortListAt(int Index);  // under the port-list lock
    // The dispatcher whose ComHandle is Cid and that is a T (or derives from it), or nullptr.
    template <class T>
    static T* GetTComRecPtr(int Cid)
    {
        return static_cast<T*>(
            FindComRec(Cid, [](const TApdBaseDispatcher* d) { return dynamic_cast<const T*>(d) != nullptr; }));
    }

    // ---- Data in ----
    bool CharReady();
    int PeekChar(char& Ch, int Count);  // Count-th byte from the read position, 1 = next
    int GetChar(char& Ch);
    int PeekBlock(char* Buf, int Len);  // Len or ecBufferIsEmpty
    int GetBlock(char* Buf, int Len);   // Len or ecBufferIsEmpty, all or nothing
    int InBuffUsed();
    int InBuffFree();
    int FlushInBuffer();

    // ---- Data out ----
    int PutChar(char Ch);
    int PutString(const QByteArray& S);
    int PutBlock(const char* Buf, int Len);
    int OutBuffUsed();
    int OutBuffFree();
    int FlushOutBuffer();
    void BufferSizes(int& InSize, int& OutSize);

    // ---- Triggers ----
    int AddTimerTrigger();
    int SetTimerTrigger(int32_t Handle, int32_t Ticks, bool Activate);
    int ExtendTimer(int32_t Handle, int32_t Ticks);
    int TimerTicksRemaining(int32_t Handle, int32_t& Remaining);
    int AddDataTrigger(const QByteArray& S, bool IgnoreCase);
    int AddDataTriggerLen(const QByteArray& S, bool IgnoreCase, int Len);
    int AddStatusTrigger(int Kind);
    int SetStatusTrigger(int32_t Handle, uint16_t Value, bool Activate);
    void ChangeLengthTrigger(int32_t Length);
    int RemoveTrigger(int32_t Handle);
    void RemoveAllTriggers();
    // The trigger of Handle: its kind, and a copy of the record in the matching out parameter.
    int FindTriggerFromHandle(int32_t Handle, bool Remove, TTriggerType& Type, TTimerTrigger* Timer = nullptr,
                              TDataTrigger* Data = nullptr, TStatusTrigger* Status = nullptr);
    void ResetStatusHits();
    void ResetDataTriggers();
    void SaveTriggers(TTriggerSave& Save);
    void RestoreTriggers(TTriggerSave& Save);
    static void ClearSaveBuffers(TTriggerSave& Save);

    // ---- Handlers ----
    void RegisterWndTriggerHandler(HWND Wnd);
    void RegisterProcTriggerHandler(TApdNotifyProc Proc);
    // Event handlers are methods; Key names the method's object, the key to deregister with.
    void RegisterEventTriggerHandler(const void* Key, TApdNotifyEvent Method);
    void RegisterSyncEventTriggerHandler(const void* Key, TApdNotifyEvent Method);
    void DeregisterWndTriggerHandler(HWND Wnd);
    void DeregisterProcTriggerHandler(TApdNotifyProc Proc);
    void DeregisterEventTriggerHandler(const void* Key);
    // Swaps the wait's hold (WaitBusy); a running notification keeps its own flag.
    void SetEventBusy(bool& Old, bool New);

    // ---- Other ----
    void SetDataPointer(void* P, int Index);
    int GetDataPointer(void*& P, int Index);
    void OptionsOn(uint32_t Flags);
    void OptionsOff(uint32_t Flags);
    bool OptionsAreOn(uint32_t Flags);
    void CreateDispatcherWindow();

    // ---- Dispatcher thread ----
    bool CheckTriggers();
    bool CheckTimerTriggers();
    bool CheckStatusTriggers();
    bool CheckReceiveTriggers();
    bool ExtractData();
    bool SendNotify(uint32_t Msg, uint32_t wParam, uint32_t Data);
    // LastError |= the device's line errors; ComStatus refreshed.
    void RefreshStatus();

    // ---- Trace ----
    int InitTracing(int32_t NumEntries);
    void StartTracing();
    void StopTracing();
    void ClearTracing();
    void AbortTracing();
    void AddTraceEntry(char Type, char Ch);
    int DumpTrace(const QString& FName, bool InHex, bool AllHex);
    int AppendTrace(const QString& FName, bool InHex, bool AllHex);

    // ---- Dispatch log ----
    void InitDispatchLogging(int32_t BufferSize);
    void StartDispatchLogging();
    void StopDispatchLogging();
    void ClearDispatchLogging();
    void AbortDispatchLogging();
    void AddDispatchEntry(TDispatchType Type, TDispatchSubType SubType, uint32_t Data, const void* Buffer,
                          uint32_t BufferLen);
    void AddStringToLog(const QByteArray& S);
    uint32_t GetDispatchTime();
    bool PushDLEntry(const void* Buffer, uint32_t Len);
    // True when the log is empty; else the oldest record, its bytes into Buffer (room for
    // DLoggingMax bytes) and their count into Len.
    bool PopLastDLEntry(TDispatchRecord& Record, char* Buffer, uint32_t& Len);
    int DumpDispatchLog(const QString& FName, bool InHex, bool AllHex);
    int AppendDispatchLog(const QString& FName, bool InHex, bool AllHex);

    // ---- Output ring, for the device layers (each takes OutLock) ----
    int OutRingUsed();
    int OutRingFree();
    // Copies up to Len bytes behind the head; returns how many fitted.
    int OutRingWrite(const char* Buf, int Len);
    // The contiguous run of queued bytes from the tail: its start and length (0 when empty).
    int OutRingPeek(const char*& Run);
    void OutRingConsume(int Count);
    void OutRingClear();

    // ---- State ----
    QObject* Owner;                    // not owned
    int32_t Handle = -1;               // index in the port list
    std::atomic<int32_t> ComHandle{-1};  // the open device; negative while closed
    QString DeviceName;                // for the dispatch log's header
    std::atomic<uint32_t> LastError{0};  // accumulated line errors (1 rx overrun, 2 overrun, 4 parity, 8 framing, 16 break)
    int32_t InQue = 0;
    int32_t OutQue = 0;
    uint8_t ModemStatus = 0;           // MainLock
    TComStat ComStatus;                // OutLock
    TDCB DCB;                          // MainLock
    uint32_t Baud = 115200;            // MainLock
    uint32_t Options = 0;              // MainLock
    bool DTRState = false, DTRAuto = false, RTSState = false, RTSAuto = false;  // MainLock
    std::unique_ptr<THiddenWindow> DispatcherWindow;
    bool RS485Mode = false;
    uint16_t BaseAddress = 0;
    std::atomic<bool> PortNotify{false};
    std::atomic<bool> HandlersInstalled{false};
    int32_t LenTrigger = 0;            // MainLock
    bool StatHit = false;              // MainLock
    uint64_t LastCheckPos = 0;         // dispatcher thread
    uint64_t LastLenPos = 0;           // dispatcher thread

    // Worker-thread state of the serial layer.
    std::atomic<bool> KillThreads{false};
    std::atomic<bool> DispActive{false};
    std::atomic<bool> DonePending{false};
    std::atomic<int> ThreadCount{0};
    uint8_t ThreadBoost = 0;

    std::recursive_mutex MainLock;
    std::recursive_mutex OutLock;
    std::recursive_mutex DispLock;

    // A notification runs (set and cleared by SendNotify only), and the owner's wait holds
    // the notifications off (SetEventBusy only). Apart, so neither side ends the other's.
    std::atomic<bool> NotifyBusy{false};
    std::atomic<bool> WaitBusy{false};
    bool EventBusy() const { return NotifyBusy || WaitBusy; }
    bool PurgePending = false;         // MainLock
    std::atomic<bool> ClosePending{false};
    std::atomic<bool> OutSentPending{false};
    uint32_t TimeBase = 0;             // AdTimeGetTime at open
    int32_t TriggerCounter = 1;        // MainLock

protected:
    // Shared part of opening (both the serial and the socket layer): sizes, both rings,
    // triggers and positions reset, recorders off, TimeBase set. Called after OpenCom.
    void PrepareOpen(int InSize, int OutSize);
    // For the most derived destructor: close as the dispatcher's destructor must (virtual
    // calls from the base destructor no longer reach the layer), then wait for the threads.
    void CloseForDestroy();

    // Dump header: compiler, operating system and the time; tests replace it.
    virtual void LogHeaderInfo(QString& Compiler, QString& OperatingSystem, QDateTime& Now);

private:
    struct WndHandler { HWND Wnd; bool Deleted; };
    struct ProcHandler { TApdNotifyProc Proc; bool Deleted; };
    struct EventHandler { const void* Key; TApdNotifyEvent Method; bool Deleted; bool Sync; };

    static TApdBaseDispatcher* FindComRec(int Cid, bool (*IsClass)(const TApdBaseDispatcher*));
    int GetTriggerHandle();
    void RegisterEvent(const void* Key, TApdNotifyEvent Method, bool Sync);
    bool MatchDataTrigger(TDataTrigger& T, char C);
    void EndNotify();
    uint64_t ReadPos() const;          // DispLock
    bool DBufFull() const;             // DispLock
    int WriteTraceOrLog(const QString& FName, bool Append, bool InHex, bool AllHex, bool Log);
    void WriteDispatchLog(std::FILE* F, bool InHex, bool AllHex);
    void WriteTrace(std::FILE* F, bool InHex, bool AllHex);

    std::vector<WndHandler> WndTriggerHandlers;
    std::vector<ProcHandler> ProcTriggerHandlers;
    std::vector<EventHandler> EventTriggerHandlers;
    std::vector<TTimerTrigger> TimerTriggers;
    std::vector<TDataTrigger> DataTriggers;
    std::vector<TStatusTrigger> StatusTriggers;

    // Dispatch ring: head and tail count every byte ever put in or taken out, so a full ring
    // (head - tail = size) and an empty one (head = tail) differ; index = count mod size.
    std::vector<char> DBuffer;
    uint64_t DBufHead = 0;
    uint64_t DBufTail = 0;
    bool DataNotify = false;           // DispLock
    int32_t TakenNow = 0;              // DispLock
    int32_t TakenMax = 0;              // DispLock

    // Output ring, counted the same way.
    std::vector<char> OBuffer;
    uint64_t OBufHead = 0;
    uint64_t OBufTail = 0;

    void* DataPointers[3] = {};

    // Trace: pairs of (type, byte).
    bool TracingOn = false;
    std::vector<char> TraceQueue;
    int32_t TraceIndex = 0;
    int32_t TraceMax = 0;
    bool TraceWrapped = false;

    // Dispatch log: records with their bytes, back to back, wrapping.
    bool DLoggingOn = false;
    std::vector<char> DLoggingQueue;
    std::vector<char> DLoggingScratch;  // room for the largest record
    uint32_t DLoggingHead = 0;
    uint32_t DLoggingTail = 0;
    uint32_t DLoggingFree = 0;
    uint32_t DLoggingMax = 0;
};
