#pragma once
#include "comms/serial/serialdevice.h"
#include "comms/serial/syncevent.h"
#include "comms/dispatch/tapdbasedispatcher.h"

#include <atomic>
#include <memory>

class TApdDispatcherThread;
class TComThread;
class TDispThread;
class TOutThread;

// Options of InitPort.
enum : uint32_t { ipAssertDTR = 1, ipAssertRTS = 2, ipAutoDTR = 16, ipAutoRTS = 32 };
// Hardware flow options of HWFlowOptions / GetFlowOptions.
enum : uint32_t { hfUseDTR = 1, hfUseRTS = 2, hfRequireDSR = 4, hfRequireCTS = 8 };
// Software flow options of SWFlowEnable.
enum : uint32_t { sfTransmitFlow = 1, sfReceiveFlow = 2 };

// The serial device layer: a tty driven by three worker threads (TComThread, TDispThread,
// TOutThread) while the port is open, plus the line control of the port.
//
// Thread rules:
// - InitPort, DonePort, the line operations and the destructor run on the thread that owns
//   the port (the user-interface thread). DonePort may also be reached from a notification
//   handler; then the close finishes once the threads have left.
// - The threads are stopped and joined before the device and the events are closed, once. No
//   lock is held while a thread is waited for; a synchronised call pending at the close is
//   dropped, so joining never waits on the user-interface thread.
class TApdWin32Dispatcher : public TApdBaseDispatcher {
public:
    explicit TApdWin32Dispatcher(QObject* Owner);
    ~TApdWin32Dispatcher() override;

    // ---- Opening and closing ----
    int InitPort(const QString& Name, uint32_t Baud, int Parity, int DataBits, int StopBits, int InSize,
                 int OutSize, uint32_t Options);
    // Output still queued is first written to the device (bounded), then the port closes.
    void DonePort() override;
    void DonePortPrim() override;
    int SetCommBuffers(int InSize, int OutSize);
    // True while any worker thread still runs.
    bool ThreadsRunning() const { return ThreadCount.load() > 0; }

    // ---- Line ----
    int SetLine(uint32_t Baud, int Parity, int DataBits, int StopBits);
    int GetLine(uint32_t& Baud, int& Parity, int& DataBits, int& StopBits);
    int ChangeBaud(uint32_t Baud) { return SetLine(Baud, 5, 9, 3); }
    int SetCommStateFix(TDCB& NewDCB);
    int SetDtr(bool On);
    int SetRts(bool On);
    int SetModem(bool Dtr, bool Rts);
    int HWFlowOptions(int BufferFull, int BufferResume, uint32_t Opts);
    int HWFlowState();
    int SWFlowEnable(int BufferFull, int BufferResume, uint32_t Opts);
    int SWFlowDisable();
    int SWFlowState();
    int SWFlowChars(char XOn, char XOff);
    int GetFlowOptions(uint32_t& HWOpts, uint32_t& SWOpts, uint32_t& BufMax, uint32_t& BufMin, char& XOnChar,
                       char& XOffChar);
    uint8_t GetModemStatus();
    uint8_t GetModemStatusPrim(uint8_t ClearMask);
    // The modem lines (MS_* bits) as the device has them now; a seam for lines that the
    // device cannot show (pseudo-terminals have none).
    virtual int ReadModemLines(uint32_t& Lines) { return Device.GetModemStatus(Lines); }
    bool CheckCTS();
    bool CheckDSR();
    bool CheckRI();
    bool CheckDCD();
    bool CheckDeltaCTS();
    bool CheckDeltaDSR();
    bool CheckDeltaRI();
    bool CheckDeltaDCD();
    int GetLineError();
    bool CheckLineBreak();
    int SendBreak(int32_t Ticks, bool Yield);
    int SetBreak(bool On);
    int WaitTxSent();
    int SetRS485Mode(bool On);
    int SetBaseAddress(uint16_t Address);
    uint16_t GetBaseAddress();
    void SetThreadBoost(uint8_t Boost) override;

    // ---- Device operations ----
    int EscapeComFunction(int Func) override;
    int FlushCom(int Queue) override;
    int GetComError(TComStat& Stat) override;
    int GetComEventMask(int EvtMask) override { return 0; }
    int GetComState(TDCB& Dcb) override;
    int ReadCom(char* Buf, int Size) override;
    int SetComState(TDCB& Dcb) override;
    int WriteCom(const char* Buf, int Size) override;
    bool WaitComEvent(uint32_t& EvtMask) override;
    bool SetupCom(int InSize, int OutSize) override { return true; }
    void StartDispatcher() override;
    void StopDispatcher() override;
    int OpenCom(const QString& Name, int InQueue, int OutQueue) override;
    int CloseCom() override;
    int ProcessCommunications() override;

    // ---- Worker threads ----
    void ThreadGone(TApdDispatcherThread* Thread);
    // Runs Method on the user-interface thread for the dispatch thread (at once when called
    // there); false when the port is closing and the call was dropped.
    bool SyncCall(const std::function<void()>& Method);
    // Sets the change bits of the modem lines that differ from the last reading.
    void MapEventsToMS(uint32_t Events);

    // Events of the worker threads (they belong to the open port and are closed after the threads are joined).
    std::unique_ptr<SyncEvent> ComEvent;       // auto: a device event is ready for the dispatch thread
    std::unique_ptr<SyncEvent> ReadyEvent;     // auto: the dispatch thread has processed it
    std::unique_ptr<SyncEvent> GeneralEvent;   // auto: thread started, flush done
    std::unique_ptr<SyncEvent> OutputEvent;    // auto: output was queued
    std::unique_ptr<SyncEvent> OutFlushEvent;  // auto: flush or stop request for the output thread
    std::atomic<uint32_t> EventMask{0};        // the events of the last device event
    std::atomic<bool> RingFlag{false};

    SerialDevice Device;

private:
    bool CreateEvents();
    void CloseEvents();
    void SignalThreadsToStop();
    void JoinThreads();
    void CloseDevice();
    void DrainOutput();
    // SetLine; Always writes the settings even when they look in effect already.
    int ApplyLine(uint32_t Baud, int Parity, int DataBits, int StopBits, bool Always);

    std::unique_ptr<TComThread> ComThread;
    std::unique_ptr<TDispThread> DispThread;
    std::unique_ptr<TOutThread> OutThread;
    std::atomic<bool> DeviceClosePending{false};
    std::atomic<bool> BreakFlag{false};
};
