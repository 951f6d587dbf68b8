#pragma once
#include "comms/core/adporttypes.h"
#include "comms/core/eapdexception.h"
#include "comms/core/tapdbasecomponent.h"
#include "comms/dispatch/tapdbasedispatcher.h"

#include <QByteArray>
#include <QString>
#include <memory>
#include <vector>

class THiddenWindow;
class TApdWin32Dispatcher;

// The serial port component: line settings and options as properties, a dispatcher while
// open, trigger events delivered on the thread that owns the port (through a hidden window),
// and registered users told when the port opens, is about to close and has closed.
//
// Thread rules: everything runs on the thread that owns the port (the user-interface thread);
// the dispatcher's threads reach it only through its window.
class TApdCustomComPort : public TApdBaseComponent {
    Q_OBJECT
public:
    explicit TApdCustomComPort(QObject* Owner = nullptr);
    ~TApdCustomComPort() override;

    virtual void Assign(const TApdCustomComPort& Source);
    virtual void Loaded();
    void ForcePortOpen();

    // ---- Properties ----
    TDeviceLayer DeviceLayer() const { return FDeviceLayer; }
    void SetDeviceLayer(TDeviceLayer Value);
    uint16_t ComNumber() const { return FComNumber; }
    void SetComNumber(uint16_t Value);
    int32_t Baud() const { return FBaud; }
    void SetBaud(int32_t Value);
    bool PromptForPort() const { return FPromptForPort; }
    void SetPromptForPort(bool Value) { FPromptForPort = Value; }
    TParity Parity() const { return FParity; }
    void SetParity(TParity Value);
    uint16_t DataBits() const { return FDataBits; }
    void SetDataBits(uint16_t Value);
    uint16_t StopBits() const { return FStopBits; }
    void SetStopBits(uint16_t Value);
    uint16_t InSize() const { return FInSize; }
    void SetInSize(uint16_t Value);
    uint16_t OutSize() const { return FOutSize; }
    void SetOutSize(uint16_t Value);
    bool AutoOpen() const { return FAutoOpen; }
    void SetAutoOpen(bool Value) { FAutoOpen = Value; }
    bool Open() const { return FOpen; }
    void SetOpen(bool Value);
    bool DTR() const { return FDTR; }
    void SetDTR(bool Value);
    bool RTS() const { return FRTS; }
    void SetRTS(bool Value);
    THWFlowOptionSet HWFlowOptions() const { return FHWFlowOptions; }
    void SetHWFlowOptions(THWFlowOptionSet Value);
    TSWFlowOptions SWFlowOptions() const { return FSWFlowOptions; }
    void SetSWFlowOptions(TSWFlowOptions Value);
    char XOnChar() const { return FXOnChar; }
    void SetXOnChar(char Value);
    char XOffChar() const { return FXOffChar; }
    void SetXOffChar(char Value);
    uint16_t BufferFull() const { return FBufferFull; }
    void SetBufferFull(uint16_t Value);
    uint16_t BufferResume() const { return FBufferResume; }
    void SetBufferResume(uint16_t Value);
    TTraceLogState Tracing() const { return FTracing; }
    void SetTracing(TTraceLogState Value);
    uint32_t TraceSize() const { return FTraceSize; }
    void SetTraceSize(uint32_t Value);
    QString TraceName() const { return FTraceName; }
    void SetTraceName(const QString& Value) { FTraceName = Value; }
    bool TraceHex() const { return FTraceHex; }
    void SetTraceHex(bool Value) { FTraceHex = Value; }
    bool TraceAllHex() const { return FTraceAllHex; }
    void SetTraceAllHex(bool Value) { FTraceAllHex = Value; }
    TTraceLogState Logging() const { return FLogging; }
    void SetLogging(TTraceLogState Value);
    uint32_t LogSize() const { return FLogSize; }
    void SetLogSize(uint32_t Value);
    QString LogName() const { return FLogName; }
    void SetLogName(const QString& Value) { FLogName = Value; }
    bool LogHex() const { return FLogHex; }
    void SetLogHex(bool Value) { FLogHex = Value; }
    bool LogAllHex() const { return FLogAllHex; }
    void SetLogAllHex(bool Value) { FLogAllHex = Value; }
    bool UseMSRShadow() const { return FUseMSRShadow; }
    virtual void SetUseMSRShadow(bool Value) {}
    bool UseEventWord() const { return FUseEventWord; }
    void SetUseEventWord(bool Value);
    uint16_t CommNotificationLevel() const { return FCommNotificationLevel; }
    void SetCommNotificationLevel(uint16_t Value) { FCommNotificationLevel = Value; }
    TTapiMode TapiMode() const { return FTapiMode; }
    void SetTapiMode(TTapiMode Value) { FTapiMode = Value; }
    bool RS485Mode() const { return FRS485Mode; }
    void SetRS485Mode(bool Value);
    int32_t Tag = 0;
    TApThreadBoost ThreadBoost() const { return FThreadBoost; }
    void SetThreadBoost(TApThreadBoost Value);
    uint16_t TriggerLength() const { return FTriggerLength; }
    void SetTriggerLength(uint16_t Value);
    uint16_t BaseAddress();
    void SetBaseAddress(uint16_t Value);
    TPortState PortState() const { return FPortState; }
    // The allowed device layers and an activation function that replaces the built-in ones.
    TDeviceLayers AllowedDeviceLayers = {dlWin32};
    std::function<TApdBaseDispatcher*(QObject* Owner)> CustomDispatcher;

    // ---- Events ----
    TNotifyEvent OnPortOpen, OnPortClose;
    TWaitCharEvent OnWaitChar;
    void SetOnTrigger(TTriggerEvent E) { FOnTrigger = std::move(E); UpdateHandlerFlag(); }
    void SetOnTriggerAvail(TTriggerAvailEvent E) { FOnTriggerAvail = std::move(E); UpdateHandlerFlag(); }
    void SetOnTriggerData(TTriggerDataEvent E) { FOnTriggerData = std::move(E); UpdateHandlerFlag(); }
    void SetOnTriggerStatus(TTriggerStatusEvent E) { FOnTriggerStatus = std::move(E); UpdateHandlerFlag(); }
    void SetOnTriggerTimer(TTriggerTimerEvent E) { FOnTriggerTimer = std::move(E); UpdateHandlerFlag(); }
    void SetOnTriggerLineError(TTriggerLineErrorEvent E) { FOnTriggerLineError = std::move(E); UpdateHandlerFlag(); }
    void SetOnTriggerModemStatus(TNotifyEvent E) { FOnTriggerModemStatus = std::move(E); UpdateHandlerFlag(); }
    void SetOnTriggerOutbuffFree(TNotifyEvent E) { FOnTriggerOutbuffFree = std::move(E); UpdateHandlerFlag(); }
    void SetOnTriggerOutbuffUsed(TNotifyEvent E) { FOnTriggerOutbuffUsed = std::move(E); UpdateHandlerFlag(); }
    void SetOnTriggerOutSent(TNotifyEvent E) { FOnTriggerOutSent = std::move(E); UpdateHandlerFlag(); }
    // The handlers set above, for components that chain them (the status lights).
    const TTriggerAvailEvent& OnTriggerAvail() const { return FOnTriggerAvail; }
    const TTriggerStatusEvent& OnTriggerStatus() const { return FOnTriggerStatus; }
    const TTriggerTimerEvent& OnTriggerTimer() const { return FOnTriggerTimer; }

    // ---- Dispatcher ----
    // Opens the port on demand (AutoOpen) and returns the dispatcher, nullptr while closed.
    TApdBaseDispatcher* Dispatcher();
    // As Dispatcher, raising ecCommNotOpen when there is none.
    TApdBaseDispatcher* ValidDispatcher();
    // The port's notification window (0 while closed).
    HWND WindowHandle() const;

    // ---- Users ----
    void RegisterUser(HWND Handle);
    void RegisterUserEx(HWND Handle);
    // Callbacks are named by a key (the object they belong to) for deregistering.
    void RegisterUserCallback(const void* Key, TPortCallback Callback);
    void RegisterUserCallbackEx(const void* Key, TPortCallbackEx CallbackEx);
    void DeregisterUser(HWND Handle);
    void DeregisterUserCallback(const void* Key);
    void DeregisterUserCallbackEx(const void* Key);

    // ---- I/O and triggers ----
    void PutChar(char C);
    void PutString(const QByteArray& S);
    int PutBlock(const char* Buf, int Len);
    char GetChar();
    char PeekChar(int Count);
    int GetBlock(char* Buf, int Len);
    int PeekBlock(char* Buf, int Len);
    bool CharReady();
    void FlushInBuffer();
    void FlushOutBuffer();
    virtual int ProcessCommunications();
    int AddDataTrigger(const QByteArray& S, bool IgnoreCase);
    int AddTimerTrigger();
    int AddStatusTrigger(int Kind);
    void SetTimerTrigger(int Handle, int32_t Ticks, bool Activate);
    void SetStatusTrigger(int Handle, uint16_t Value, bool Activate);
    void RemoveTrigger(int Handle);
    void RemoveAllTriggers();
    void SendBreak(int32_t Ticks, bool Yield);
    void SetBreak(bool On);
    void AddTraceEntry(char Kind, char C);
    void AddStringToLog(const QByteArray& S);
    TFlowControlState FlowState();
    uint8_t ModemStatus();
    bool DSR();
    bool CTS();
    bool RI();
    bool DCD();
    bool DeltaDSR();
    bool DeltaCTS();
    bool DeltaRI();
    bool DeltaDCD();
    uint16_t LineError();
    bool LineBreak();
    int InBuffUsed();
    int InBuffFree();
    int OutBuffUsed();
    int OutBuffFree();

    // ---- Waiting for text ----
    bool CheckForString(uint8_t& Index, char C, const QByteArray& S, bool IgnoreCase);
    bool WaitForString(const QByteArray& S, int32_t Timeout, bool HandleEvents, bool IgnoreCase);
    int WaitForMultiString(const QByteArray& S, int32_t Timeout, bool HandleEvents, bool IgnoreCase, char SepChar);
    void PrepareWait();

protected:
    virtual TApdBaseDispatcher* ActivateDeviceLayer();
    virtual void DeviceLayerChanged() {}
    virtual int InitializePort();
    virtual void RegisterComPort(bool Enabling);
    virtual void ValidateComport();
    virtual void Trigger(uint16_t Msg, uint16_t TriggerHandle, uint16_t Data);
    virtual void TriggerAvail(uint16_t Count);
    virtual void TriggerData(uint16_t TriggerHandle);
    virtual void TriggerStatus(uint16_t TriggerHandle);
    virtual void TriggerTimer(uint16_t TriggerHandle);
    virtual void UpdateHandlerFlag();
    virtual void TriggerLineError(uint16_t Error, bool LineBreak);
    virtual void TriggerModemStatus();
    virtual void TriggerOutbuffFree();
    virtual void TriggerOutbuffUsed();
    virtual void TriggerOutSent();
    virtual void WaitChar(char C);
    virtual void DonePort();
    virtual void InitPort();
    virtual void PortOpen();
    virtual void PortClose();
    virtual void PortClosing();

    // The port window's procedure; a descendant handles its own messages and passes the
    // others on.
    virtual int32_t WndProc(uint32_t Msg, uint32_t wParam, int32_t lParam);
    // The serial layer of the dispatcher, nullptr for any other layer.
    TApdWin32Dispatcher* SerialDispatcher() const;
    bool ShuttingDown() const { return FPortState == psShuttingDown; }
    void StoreUseMSRShadow(bool Value) { FUseMSRShadow = Value; }
    int Check(int Res) const { return CheckException(this, Res); }

private:
    struct UserRecord {
        HWND Handle = 0;
        const void* Key = nullptr;
        TPortCallback Callback;
        TPortCallbackEx CallbackEx;
        bool Extended = false;
    };

    void FinishClose();
    void FreeDispatcher();
    static void DeleteOutsideItsEvents(TApdBaseDispatcher* D);
    void ApplyFlowOptions();
    void EndWait(bool OldBusy);
    void NotifyUsers(TApdCallbackType Type, int* Told);
    void SetTraceLog(TTraceLogState Value, bool Log);

    bool FForce = false;
    TPortState FPortState = psClosed;
    bool FReopenRequested = false;
    bool FOpenWhenLoaded = false;
    bool FDestroying = false;
    std::vector<UserRecord> FUsers;
    bool FTriggersSaved = false;
    TTriggerSave FSavedTriggers;
    int FOpenTold = -1;  // users told "open" by the running InitPort; -1 before the notices
    bool FWaitPrepared = false;
    bool FPreparedBusy = false;
    std::unique_ptr<THiddenWindow> FWindow;
    TApdBaseDispatcher* FDispatcher = nullptr;
    uint16_t FTapiDeviceId = 0;

    TDeviceLayer FDeviceLayer = dlWin32;
    uint16_t FComNumber = 0;
    int32_t FBaud = 19200;
    bool FPromptForPort = true;
    TParity FParity = pNone;
    uint16_t FDataBits = 8;
    uint16_t FStopBits = 1;
    uint16_t FInSize = 4096;
    uint16_t FOutSize = 4096;
    bool FAutoOpen = true;
    bool FOpen = false;
    bool FDTR = true;
    bool FRTS = true;
    THWFlowOptionSet FHWFlowOptions;
    TSWFlowOptions FSWFlowOptions = swfNone;
    char FXOnChar = 17;
    char FXOffChar = 19;
    uint16_t FBufferFull = 0;
    uint16_t FBufferResume = 0;
    TTraceLogState FTracing = tlOff;
    uint32_t FTraceSize = 10000;
    QString FTraceName = QStringLiteral("LNKR.TRC");
    bool FTraceHex = true;
    bool FTraceAllHex = false;
    TTraceLogState FLogging = tlOff;
    uint32_t FLogSize = 10000;
    QString FLogName = QStringLiteral("LNKR.LOG");
    bool FLogHex = true;
    bool FLogAllHex = false;
    bool FUseMSRShadow = true;
    bool FUseEventWord = true;
    uint16_t FCommNotificationLevel = 10;
    TTapiMode FTapiMode = tmAuto;
    bool FRS485Mode = false;
    TApThreadBoost FThreadBoost = tbNone;
    uint16_t FTriggerLength = 1;

    TTriggerEvent FOnTrigger;
    TTriggerAvailEvent FOnTriggerAvail;
    TTriggerDataEvent FOnTriggerData;
    TTriggerStatusEvent FOnTriggerStatus;
    TTriggerTimerEvent FOnTriggerTimer;
    TTriggerLineErrorEvent FOnTriggerLineError;
    TNotifyEvent FOnTriggerModemStatus, FOnTriggerOutbuffFree, FOnTriggerOutbuffUsed, FOnTriggerOutSent;
};

// The first port component among Owner's children (searching their children too), or nullptr.
TApdCustomComPort* SearchComPort(QObject* Owner);
// "COM" followed by the number.
QString ComName(int N);
