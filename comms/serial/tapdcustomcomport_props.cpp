// Property setters of the port component: while the port is open they apply the value to
// the dispatcher at once; the force flag makes them act on an unchanged value too.
#include "comms/serial/tapdcustomcomport.h"
#include "comms/serial/tapdwin32dispatcher.h"

void TApdCustomComPort::SetDeviceLayer(TDeviceLayer Value)
{
    if (FPortState != psClosed || !AllowedDeviceLayers.contains(Value))
        return;
    FDeviceLayer = Value;
    DeviceLayerChanged();
}

void TApdCustomComPort::SetComNumber(uint16_t Value)
{
    if (Value == FComNumber)
        return;
    if (FPortState != psOpen) {
        FComNumber = Value;
        return;
    }
    // The close saves the triggers and the open restores them, before the users hear "open":
    // a second restore here would drop what they add then (a packet's capture timer).
    const TTraceLogState tracing = FTracing, logging = FLogging;
    std::exception_ptr closeError;  // a trace that could not be written: the port still moves
    try {
        SetOpen(false);
    } catch (...) {
        if (FPortState == psOpen)
            throw;
        closeError = std::current_exception();
    }
    FComNumber = Value;
    SetTracing(tracing);
    SetLogging(logging);
    SetOpen(true);
    if (closeError)
        std::rethrow_exception(closeError);
}

// ---- Line ----

void TApdCustomComPort::SetBaud(int32_t Value)
{
    FBaud = Value;
    if (FPortState == psOpen)
        if (TApdWin32Dispatcher* d = SerialDispatcher())
            Check(d->SetLine(uint32_t(FBaud), int(FParity), FDataBits, FStopBits));
}

void TApdCustomComPort::SetParity(TParity Value)
{
    FParity = Value;
    if (FPortState == psOpen)
        if (TApdWin32Dispatcher* d = SerialDispatcher())
            Check(d->SetLine(uint32_t(FBaud), int(FParity), FDataBits, FStopBits));
}

void TApdCustomComPort::SetDataBits(uint16_t Value)
{
    FDataBits = Value;
    if (FPortState == psOpen)
        if (TApdWin32Dispatcher* d = SerialDispatcher())
            Check(d->SetLine(uint32_t(FBaud), int(FParity), FDataBits, FStopBits));
}

void TApdCustomComPort::SetStopBits(uint16_t Value)
{
    FStopBits = Value;
    if (FPortState == psOpen)
        if (TApdWin32Dispatcher* d = SerialDispatcher())
            Check(d->SetLine(uint32_t(FBaud), int(FParity), FDataBits, FStopBits));
}

void TApdCustomComPort::SetInSize(uint16_t Value)
{
    if (Value == FInSize && !FForce)
        return;
    FInSize = Value;
    if (FPortState == psOpen)
        if (TApdWin32Dispatcher* d = SerialDispatcher())
            d->SetCommBuffers(FInSize, FOutSize);
}

void TApdCustomComPort::SetOutSize(uint16_t Value)
{
    if (Value == FOutSize && !FForce)
        return;
    FOutSize = Value;
    if (FPortState == psOpen)
        if (TApdWin32Dispatcher* d = SerialDispatcher())
            d->SetCommBuffers(FInSize, FOutSize);
}

void TApdCustomComPort::SetDTR(bool Value)
{
    if (Value == FDTR && !FForce)
        return;
    if (FPortState == psOpen) {
        if (TApdWin32Dispatcher* d = SerialDispatcher()) {
            if (Check(d->SetDtr(Value)) == 0)
                FDTR = Value;
            return;
        }
    }
    FDTR = Value;
}

void TApdCustomComPort::SetRTS(bool Value)
{
    if (Value == FRTS && !FForce)
        return;
    if (FPortState == psOpen) {
        if (TApdWin32Dispatcher* d = SerialDispatcher()) {
            if (Check(d->SetRts(Value)) == 0)
                FRTS = Value;
            return;
        }
    }
    FRTS = Value;
}

// ---- Flow control ----

void TApdCustomComPort::SetHWFlowOptions(THWFlowOptionSet Value)
{
    if (Value == FHWFlowOptions && !FForce)
        return;
    uint32_t opts = 0;
    if (Value.contains(hwfUseDTR)) opts |= hfUseDTR;
    if (Value.contains(hwfUseRTS)) opts |= hfUseRTS;
    if (Value.contains(hwfRequireDSR)) opts |= hfRequireDSR;
    if (Value.contains(hwfRequireCTS)) opts |= hfRequireCTS;
    if (opts != 0) {
        if (FBufferFull == 0 || FBufferFull > FInSize)
            FBufferFull = uint16_t(FInSize * 9 / 10);
        if (FBufferResume == 0 || FBufferResume > FBufferFull)
            FBufferResume = uint16_t(FInSize / 10);
    }
    // Without a handshake the limits mean nothing; stored ones that a handshake would refuse
    // (BufferFull above InSize) must not fail the open.
    if (FPortState == psOpen)
        if (TApdWin32Dispatcher* d = SerialDispatcher())
            Check(opts != 0 ? d->HWFlowOptions(FBufferFull, FBufferResume, opts) : d->HWFlowOptions(0, 0, 0));
    FHWFlowOptions = Value;
    if (Value.contains(hwfUseRTS) || Value.contains(hwfRequireCTS))
        FRS485Mode = false;
}

void TApdCustomComPort::SetSWFlowOptions(TSWFlowOptions Value)
{
    if (Value == FSWFlowOptions && !FForce)
        return;
    static const uint32_t options[] = {0, sfReceiveFlow, sfTransmitFlow, sfReceiveFlow | sfTransmitFlow};
    const uint32_t opts = options[Value];
    if (opts != 0) {
        if (FBufferFull == 0 || FBufferFull > FInSize)
            FBufferFull = uint16_t(FInSize * 3 / 4);
        if (FBufferResume == 0 || FBufferResume > FBufferFull)
            FBufferResume = uint16_t(FInSize / 4);
    }
    if (FPortState == psOpen) {
        if (TApdWin32Dispatcher* d = SerialDispatcher()) {
            if (opts != 0)
                Check(d->SWFlowEnable(FBufferFull, FBufferResume, opts));
            else
                Check(d->SWFlowDisable());
        }
    }
    FSWFlowOptions = Value;
}

void TApdCustomComPort::ApplyFlowOptions()
{
    const bool force = FForce;
    FForce = true;
    SetHWFlowOptions(FHWFlowOptions);
    SetSWFlowOptions(FSWFlowOptions);
    FForce = force;
}

void TApdCustomComPort::SetBufferFull(uint16_t Value)
{
    if (Value == FBufferFull && !FForce)
        return;
    FBufferFull = Value > FInSize ? uint16_t(Value * 9 / 10) : Value;
    ApplyFlowOptions();
}

void TApdCustomComPort::SetBufferResume(uint16_t Value)
{
    if (Value == FBufferResume && !FForce)
        return;
    FBufferResume = Value > FBufferFull ? uint16_t(FBufferFull / 10) : Value;
    ApplyFlowOptions();
}

void TApdCustomComPort::SetXOnChar(char Value)
{
    if (Value == FXOnChar && !FForce)
        return;
    FXOnChar = Value;
    if (FPortState == psOpen)
        if (TApdWin32Dispatcher* d = SerialDispatcher())
            Check(d->SWFlowChars(FXOnChar, FXOffChar));
}

void TApdCustomComPort::SetXOffChar(char Value)
{
    if (Value == FXOffChar && !FForce)
        return;
    FXOffChar = Value;
    if (FPortState == psOpen)
        if (TApdWin32Dispatcher* d = SerialDispatcher())
            Check(d->SWFlowChars(FXOnChar, FXOffChar));
}

// ---- Options ----

void TApdCustomComPort::SetUseEventWord(bool Value)
{
    if (Value == FUseEventWord && !FForce)
        return;
    FUseEventWord = Value;
    if (FPortState == psOpen && FDispatcher) {
        if (Value)
            FDispatcher->OptionsOn(4);
        else
            FDispatcher->OptionsOff(4);
    }
}

void TApdCustomComPort::SetRS485Mode(bool Value)
{
    if (Value == FRS485Mode && !FForce)
        return;
    FRS485Mode = Value;
    if (FPortState == psOpen)
        if (TApdWin32Dispatcher* d = SerialDispatcher())
            d->SetRS485Mode(Value);
    if (Value) {
        THWFlowOptionSet opts = FHWFlowOptions;
        opts.exclude(hwfUseRTS);
        opts.exclude(hwfRequireCTS);
        SetHWFlowOptions(opts);
        SetRTS(false);
        FRS485Mode = true;
    }
}

void TApdCustomComPort::SetThreadBoost(TApThreadBoost Value)
{
    if (Value == FThreadBoost && !FForce)
        return;
    FThreadBoost = Value;
    if (FPortState == psOpen && FDispatcher)
        FDispatcher->SetThreadBoost(uint8_t(Value));
}

void TApdCustomComPort::SetTriggerLength(uint16_t Value)
{
    if (Value == FTriggerLength && !FForce)
        return;
    FTriggerLength = Value;
    if (FPortState == psOpen && FDispatcher)
        FDispatcher->ChangeLengthTrigger(Value);
}

uint16_t TApdCustomComPort::BaseAddress()
{
    TApdWin32Dispatcher* d = FPortState == psOpen ? SerialDispatcher() : nullptr;
    return d ? d->GetBaseAddress() : 0;
}

void TApdCustomComPort::SetBaseAddress(uint16_t Value)
{
    if (TApdWin32Dispatcher* d = FPortState == psOpen ? SerialDispatcher() : nullptr)
        d->SetBaseAddress(Value);
}

// ---- Trace and dispatch log ----

void TApdCustomComPort::SetTraceLog(TTraceLogState Value, bool Log)
{
    TTraceLogState& field = Log ? FLogging : FTracing;
    if (Value == field && !FForce)
        return;
    if (FPortState != psOpen || !FDispatcher) {
        field = Value == tlOn ? tlOn : tlOff;
        return;
    }
    TApdBaseDispatcher* d = FDispatcher;
    const bool running = field == tlOn || field == tlPause;
    const QString name = (Log ? FLogName : FTraceName).left(255);
    const bool hex = Log ? FLogHex : FTraceHex;
    const bool allHex = Log ? FLogAllHex : FTraceAllHex;
    switch (Value) {
    case tlOff:
        if (running) {
            Log ? d->AbortDispatchLogging() : d->AbortTracing();
            field = tlOff;
        }
        break;
    case tlOn:
        if (field == tlPause) {
            Log ? d->StartDispatchLogging() : d->StartTracing();
        } else if (Log) {
            d->InitDispatchLogging(int32_t(FLogSize));
        } else {
            Check(d->InitTracing(int32_t(FTraceSize)));
        }
        field = tlOn;
        break;
    case tlDump:
    case tlAppend:
        if (running) {
            Log ? d->StartDispatchLogging() : d->StartTracing();
            int res;
            if (Log)
                res = Value == tlDump ? d->DumpDispatchLog(name, hex, allHex) : d->AppendDispatchLog(name, hex, allHex);
            else
                res = Value == tlDump ? d->DumpTrace(name, hex, allHex) : d->AppendTrace(name, hex, allHex);
            field = tlOff;
            Check(res);
        }
        break;
    case tlClear:
        if (running)
            Log ? d->ClearDispatchLogging() : d->ClearTracing();
        break;
    case tlPause:
        if (field == tlOn) {
            Log ? d->StopDispatchLogging() : d->StopTracing();
            field = tlPause;
        }
        break;
    }
}

void TApdCustomComPort::SetTracing(TTraceLogState Value) { SetTraceLog(Value, false); }
void TApdCustomComPort::SetLogging(TTraceLogState Value) { SetTraceLog(Value, true); }

void TApdCustomComPort::SetTraceSize(uint32_t Value)
{
    FTraceSize = std::min<uint32_t>(Value, 4000000);
    if (FPortState == psOpen && FDispatcher && (FTracing == tlOn || FTracing == tlPause)) {
        const TTraceLogState previous = FTracing;
        FDispatcher->AbortTracing();
        FTracing = tlOff;
        SetTracing(previous);
    }
}

void TApdCustomComPort::SetLogSize(uint32_t Value)
{
    FLogSize = std::min<uint32_t>(Value, 16000000);
    if (FPortState == psOpen && FDispatcher && (FLogging == tlOn || FLogging == tlPause)) {
        const TTraceLogState previous = FLogging;
        FDispatcher->AbortDispatchLogging();
        FLogging = tlOff;
        SetLogging(previous);
    }
}

// ---- Copying ----

void TApdCustomComPort::Assign(const TApdCustomComPort& Source)
{
    if (&Source == this)
        return;
    FUsers = Source.FUsers;
    if (Source.FPortState == psOpen && Source.FDispatcher) {
        TApdBaseDispatcher::ClearSaveBuffers(FSavedTriggers);
        Source.FDispatcher->SaveTriggers(FSavedTriggers);
        FTriggersSaved = true;
    }
    FForce = Source.FForce;
    SetDeviceLayer(Source.FDeviceLayer);
    SetComNumber(Source.FComNumber);
    SetBaud(Source.FBaud);
    SetParity(Source.FParity);
    SetDataBits(Source.FDataBits);
    SetStopBits(Source.FStopBits);
    SetInSize(Source.FInSize);
    SetOutSize(Source.FOutSize);
    FAutoOpen = Source.FAutoOpen;
    FPromptForPort = Source.FPromptForPort;
    SetRS485Mode(Source.FRS485Mode);
    SetThreadBoost(Source.FThreadBoost);
    SetDTR(Source.FDTR);
    SetRTS(Source.FRTS);
    SetBufferFull(Source.FBufferFull);
    SetBufferResume(Source.FBufferResume);
    SetHWFlowOptions(Source.FHWFlowOptions);
    SetSWFlowOptions(Source.FSWFlowOptions);
    SetXOnChar(Source.FXOnChar);
    SetXOffChar(Source.FXOffChar);
    SetTracing(Source.FTracing);
    FTraceSize = Source.FTraceSize;
    FTraceName = Source.FTraceName;
    FTraceHex = Source.FTraceHex;
    FTraceAllHex = Source.FTraceAllHex;
    SetLogging(Source.FLogging);
    FLogSize = Source.FLogSize;
    FLogName = Source.FLogName;
    FLogHex = Source.FLogHex;
    FLogAllHex = Source.FLogAllHex;
    SetTriggerLength(Source.FTriggerLength);
    SetOnTrigger(Source.FOnTrigger);
    SetOnTriggerAvail(Source.FOnTriggerAvail);
    SetOnTriggerData(Source.FOnTriggerData);
    SetOnTriggerStatus(Source.FOnTriggerStatus);
    SetOnTriggerTimer(Source.FOnTriggerTimer);
    SetOnTriggerLineError(Source.FOnTriggerLineError);
    SetOnTriggerModemStatus(Source.FOnTriggerModemStatus);
    SetOnTriggerOutbuffFree(Source.FOnTriggerOutbuffFree);
    SetOnTriggerOutbuffUsed(Source.FOnTriggerOutbuffUsed);
    SetOnTriggerOutSent(Source.FOnTriggerOutSent);
    OnPortOpen = Source.OnPortOpen;
    OnPortClose = Source.OnPortClose;
    FTapiMode = Source.FTapiMode;
    FOpen = false;
}
