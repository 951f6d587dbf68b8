// Line control of the serial layer: settings, DTR/RTS, flow control, modem lines, errors.
#include "comms/core/oomisc.h"
#include "comms/core/errorcodes.h"
#include "comms/serial/tapdwin32dispatcher.h"

#include <thread>

namespace {

using Lock = std::lock_guard<std::recursive_mutex>;

uint8_t stopCode(int StopBits, int DataBits)
{
    if (DataBits == 5)
        return ONE5STOPBITS;
    return StopBits >= 2 ? TWOSTOPBITS : ONESTOPBIT;
}

// Old coded rates stand for these baud rates.
uint32_t realBaud(uint32_t Baud)
{
    static const uint32_t coded[][2] = {
        {0xFF10, 110},   {0xFF12, 300},    {0xFF13, 600},    {0xFF14, 1200},   {0xFF15, 2400},
        {0xFF16, 4800},  {0xFF18, 9600},   {0xFF19, 14400},  {0xFF1B, 19200},  {0xFF1E, 38400},
        {0xFF1F, 56000}, {0xFF20, 57600},  {0xFEFF, 115200}, {0xFF23, 128000}, {0xFF24, 256000},
    };
    for (const auto& c : coded)
        if (c[0] == Baud)
            return c[1];
    return Baud;
}

}  // namespace

int TApdWin32Dispatcher::SetLine(uint32_t NewBaud, int Parity, int DataBits, int StopBits)
{
    return ApplyLine(NewBaud, Parity, DataBits, StopBits, false);
}

int TApdWin32Dispatcher::ApplyLine(uint32_t NewBaud, int Parity, int DataBits, int StopBits, bool Always)
{
    TDCB want;
    {
        Lock lock(MainLock);
        GetComState(DCB);
        DCB.fBinary = true;
        DCB.fParity = false;
        DCB.fDsrSensitivity = false;
        DCB.fTXContinueOnXoff = true;
        DCB.fNull = false;
        want = DCB;
        if (NewBaud != 0)
            want.BaudRate = NewBaud;
        if (Parity != 5)
            want.Parity = uint8_t(Parity);
        if (DataBits != 9)
            want.ByteSize = uint8_t(DataBits);
        if (StopBits != 3)
            want.StopBits = stopCode(StopBits, want.ByteSize);
        else if (want.ByteSize == 5)
            want.StopBits = ONE5STOPBITS;
        if (!Always && want.BaudRate == DCB.BaudRate && want.Parity == DCB.Parity && want.ByteSize == DCB.ByteSize &&
            want.StopBits == DCB.StopBits)
            return 0;
    }
    WaitTxSent();
    Lock lock(MainLock);
    GetComState(DCB);
    TDCB next = DCB;
    next.BaudRate = want.BaudRate;
    next.Parity = want.Parity;
    next.ByteSize = want.ByteSize;
    next.StopBits = want.StopBits;
    return SetCommStateFix(next);
}

int TApdWin32Dispatcher::GetLine(uint32_t& OutBaud, int& Parity, int& DataBits, int& StopBits)
{
    Lock lock(MainLock);
    const int res = GetComState(DCB);
    OutBaud = DCB.BaudRate;
    Parity = DCB.Parity;
    DataBits = DCB.ByteSize;
    StopBits = DCB.StopBits == TWOSTOPBITS ? 2 : 1;
    return res;
}

int TApdWin32Dispatcher::SetCommStateFix(TDCB& NewDCB)
{
    Lock lock(MainLock);
    if (!DTRAuto)
        NewDCB.fDtrControl = DTRState ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;
    if (!RTSAuto)
        NewDCB.fRtsControl = RTSState ? RTS_CONTROL_ENABLE : RTS_CONTROL_DISABLE;
    const int res = SetComState(NewDCB);
    if (res == 0)
        DCB = NewDCB;
    Baud = NewDCB.BaudRate;
    SetDtr(DTRState);
    if (!RS485Mode)
        SetRts(RTSState);
    return res;
}

int TApdWin32Dispatcher::SetDtr(bool On)
{
    Lock lock(MainLock);
    if (DTRAuto)
        return 1;
    if (EscapeComFunction(On ? SETDTR : CLRDTR) < 0)
        return ecDtrFailed;
    DTRState = On;
    return 0;
}

int TApdWin32Dispatcher::SetRts(bool On)
{
    Lock lock(MainLock);
    if (RTSAuto)
        return 1;
    if (EscapeComFunction(On ? SETRTS : CLRRTS) < 0)
        return ecRtsFailed;
    RTSState = On;
    return 0;
}

int TApdWin32Dispatcher::SetModem(bool Dtr, bool Rts)
{
    const int res = SetDtr(Dtr);
    return res == 0 ? SetRts(Rts) : res;
}

int TApdWin32Dispatcher::HWFlowOptions(int BufferFull, int BufferResume, uint32_t Opts)
{
    if (BufferFull < BufferResume || BufferFull > InQue)
        return ecBadArgument;
    Lock lock(MainLock);
    GetComState(DCB);
    TDCB next = DCB;
    next.fOutxCtsFlow = next.fOutxDsrFlow = false;
    // The DTR/DSR handshake has no termios form: it is kept in the settings only.
    if (Opts & hfUseDTR) {
        next.fDtrControl = DTR_CONTROL_HANDSHAKE;
        DTRAuto = true;
    } else {
        next.fDtrControl = DTRState ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;
        DTRAuto = false;
    }
    if (Opts & hfUseRTS) {
        next.fRtsControl = RTS_CONTROL_HANDSHAKE;
        RTSAuto = true;
    } else {
        next.fRtsControl = RTSState ? RTS_CONTROL_ENABLE : RTS_CONTROL_DISABLE;
        RTSAuto = false;
    }
    if (RS485Mode) {
        next.fRtsControl = RTS_CONTROL_TOGGLE;
        RTSAuto = true;
    }
    next.XoffLim = uint16_t(InQue - BufferFull);
    next.XonLim = uint16_t(BufferResume);
    next.fOutxDsrFlow = Opts & hfRequireDSR;
    next.fOutxCtsFlow = Opts & hfRequireCTS;
    return SetCommStateFix(next);
}

int TApdWin32Dispatcher::HWFlowState()
{
    Lock lock(MainLock);
    GetComState(DCB);
    const bool any = DCB.fOutxCtsFlow || DCB.fOutxDsrFlow || DCB.fDtrControl == DTR_CONTROL_HANDSHAKE ||
                     DCB.fRtsControl == RTS_CONTROL_HANDSHAKE;
    if (!any)
        return 1;
    int state = 2;
    if (DCB.fDtrControl == DTR_CONTROL_HANDSHAKE || DCB.fRtsControl == RTS_CONTROL_HANDSHAKE) {
        const uint8_t lines = GetModemStatusPrim(0xFF);
        // The driver tells no hold state: a required line that is low holds the output.
        if (DCB.fOutxCtsFlow && !(lines & 0x20))
            state = 3;
        if (DCB.fOutxDsrFlow && !(lines & 0x10))
            state = 4;
    }
    return state;
}

int TApdWin32Dispatcher::SWFlowEnable(int BufferFull, int BufferResume, uint32_t Opts)
{
    if (BufferFull < BufferResume || BufferFull > InQue)
        return ecBadArgument;
    Lock lock(MainLock);
    GetComState(DCB);
    TDCB next = DCB;
    // XON/XOFF thresholds have no termios form: stored only, the driver uses its own.
    if (Opts & sfReceiveFlow) {
        next.fInX = true;
        next.XoffLim = uint16_t(InQue - BufferFull);
        next.XonLim = uint16_t(BufferResume);
    }
    if (Opts & sfTransmitFlow)
        next.fOutX = true;
    if (Opts & (sfReceiveFlow | sfTransmitFlow)) {
        next.XonChar = 17;
        next.XoffChar = 19;
    }
    return SetCommStateFix(next);
}

int TApdWin32Dispatcher::SWFlowDisable()
{
    Lock lock(MainLock);
    GetComState(DCB);
    TDCB next = DCB;
    next.fInX = next.fOutX = false;
    return SetCommStateFix(next);
}

int TApdWin32Dispatcher::SWFlowState()
{
    Lock lock(MainLock);
    GetComState(DCB);
    // The driver does not report its XON/XOFF hold state.
    return DCB.fInX || DCB.fOutX ? 2 : 1;
}

int TApdWin32Dispatcher::SWFlowChars(char XOn, char XOff)
{
    Lock lock(MainLock);
    GetComState(DCB);
    TDCB next = DCB;
    next.XonChar = XOn;
    next.XoffChar = XOff;
    return SetCommStateFix(next);
}

int TApdWin32Dispatcher::GetFlowOptions(uint32_t& HWOpts, uint32_t& SWOpts, uint32_t&, uint32_t&, char& XOnChar,
                                        char& XOffChar)
{
    Lock lock(MainLock);
    const int res = GetComState(DCB);
    HWOpts = 0;
    if (DCB.fDtrControl == DTR_CONTROL_HANDSHAKE)
        HWOpts |= hfUseDTR;
    if (DCB.fRtsControl == RTS_CONTROL_HANDSHAKE)
        HWOpts |= hfUseRTS;
    if (DCB.fOutxCtsFlow)
        HWOpts |= 4;  // CTS output flow
    if (DCB.fOutxDsrFlow)
        HWOpts |= 8;  // DSR output flow
    SWOpts = (DCB.fOutX ? uint32_t(sfTransmitFlow) : 0u) | (DCB.fInX ? uint32_t(sfReceiveFlow) : 0u);
    XOnChar = DCB.XonChar;
    XOffChar = DCB.XoffChar;
    return res;
}

// ---- Modem lines ----

uint8_t TApdWin32Dispatcher::GetModemStatusPrim(uint8_t ClearMask)
{
    Lock lock(MainLock);
    uint32_t lines = 0;
    ReadModemLines(lines);
    ModemStatus = uint8_t((ModemStatus & 0x0F) | (lines & 0xF0));
    if (RingFlag.exchange(false))
        ModemStatus |= 4;
    const uint8_t res = ModemStatus;
    ModemStatus &= ClearMask;
    return res;
}

void TApdWin32Dispatcher::MapEventsToMS(uint32_t Events)
{
    Lock lock(MainLock);
    uint32_t lines = 0;
    ReadModemLines(lines);
    const uint8_t now = uint8_t(lines & 0xF0);
    const uint8_t changed = uint8_t((now ^ ModemStatus) & 0xF0);
    uint8_t delta = 0;
    if (changed & 0x10) delta |= 1;
    if (changed & 0x20) delta |= 2;
    if ((changed & 0x40) && !(now & 0x40)) delta |= 4;  // ring trailing edge
    if (changed & 0x80) delta |= 8;
    if (Events & EV_RING_TE)
        delta |= 4;
    ModemStatus = uint8_t(now | (ModemStatus & 0x0F) | delta);
}

uint8_t TApdWin32Dispatcher::GetModemStatus() { return GetModemStatusPrim(0xF0); }
bool TApdWin32Dispatcher::CheckCTS() { return GetModemStatusPrim(0xFF) & 0x10; }
bool TApdWin32Dispatcher::CheckDSR() { return GetModemStatusPrim(0xFF) & 0x20; }
bool TApdWin32Dispatcher::CheckRI() { return GetModemStatusPrim(0xFF) & 0x40; }
bool TApdWin32Dispatcher::CheckDCD() { return GetModemStatusPrim(0xFF) & 0x80; }
bool TApdWin32Dispatcher::CheckDeltaCTS() { return GetModemStatusPrim(uint8_t(~1)) & 1; }
bool TApdWin32Dispatcher::CheckDeltaDSR() { return GetModemStatusPrim(uint8_t(~2)) & 2; }
bool TApdWin32Dispatcher::CheckDeltaRI() { return GetModemStatusPrim(uint8_t(~4)) & 4; }
bool TApdWin32Dispatcher::CheckDeltaDCD() { return GetModemStatusPrim(uint8_t(~8)) & 8; }

// ---- Line errors and break ----

int TApdWin32Dispatcher::GetLineError()
{
    RefreshStatus();
    const uint32_t e = LastError.load();
    int res = 0;
    if (e & 1) res = 1;
    else if (e & 2) res = 2;
    else if (e & 4) res = 3;
    else if (e & 8) res = 4;
    else if (e & 16) res = 9;
    LastError &= ~uint32_t(15);
    return res;
}

bool TApdWin32Dispatcher::CheckLineBreak()
{
    RefreshStatus();
    const bool brk = LastError.load() & 16;
    LastError &= ~uint32_t(16);
    return brk;
}

int TApdWin32Dispatcher::SetBreak(bool On)
{
    if (RS485Mode)
        SetRts(true);
    const int res = EscapeComFunction(On ? SETBREAK : CLRBREAK);
    if (RS485Mode && OutBuffUsed() == 0)
        SetRts(false);
    return res;
}

int TApdWin32Dispatcher::SendBreak(int32_t Ticks, bool Yield)
{
    if (RS485Mode)
        SetRts(true);
    EscapeComFunction(SETBREAK);
    DelayTicks(Ticks, Yield);
    EscapeComFunction(CLRBREAK);
    if (RS485Mode && OutBuffUsed() == 0)
        SetRts(false);
    return 0;
}

int TApdWin32Dispatcher::WaitTxSent()
{
    for (int i = 0; i < 5000 && OutBuffUsed() != 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    Device.Drain();
    uint32_t baud;
    int bits;
    {
        Lock lock(MainLock);
        GetComState(DCB);
        bits = DCB.ByteSize + 2 + (DCB.Parity != 0 ? 1 : 0) + (DCB.StopBits != ONESTOPBIT ? 1 : 0);
        baud = realBaud(Baud);
    }
    if (baud == 0)
        return 0;
    const int64_t charTime = int64_t(10000000 / baud) * bits;  // 100 ns units
    int64_t wait = 18 * charTime;
    if (wait < 10000)
        wait = 36 * charTime;
    std::this_thread::sleep_for(std::chrono::milliseconds((wait + 9999) / 10000));
    return 0;
}

// ---- RS-485, base address, priorities ----

int TApdWin32Dispatcher::SetRS485Mode(bool On)
{
    Lock lock(MainLock);
    RS485Mode = On;  // the driver's own RTS toggle serves; threads keep their priority
    return 0;
}

int TApdWin32Dispatcher::SetBaseAddress(uint16_t Address)
{
    Lock lock(MainLock);
    BaseAddress = Address;  // stored only: no UART register access here
    return 0;
}

uint16_t TApdWin32Dispatcher::GetBaseAddress()
{
    Lock lock(MainLock);
    return BaseAddress;
}

void TApdWin32Dispatcher::SetThreadBoost(uint8_t Boost)
{
    Lock lock(MainLock);
    ThreadBoost = Boost;  // an unprivileged process cannot raise thread priorities
}
