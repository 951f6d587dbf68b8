#include "comms/core/eapdexception.h"

#include "comms/core/adexcept.h"
#include "comms/core/tapdbasecomponent.h"

EAPDException::EAPDException(int Code, bool)
    : Exception(LnkrLoadStr(int16_t(MapCodeToStringID(Code)))), ErrorCode(Code)
{
}

namespace {

template <class E>
[[noreturn]] void raise(int code)
{
    throw E(code, false);
}

}  // namespace

int CheckException(const TApdBaseComponent* Component, int Res)
{
    if (Res >= 0 || (Component && Component->IsLoading()))
        return Res;
    if (Res == ecOutOfMemory)
        throw EOutOfMemory();
    if (Res <= ecFileNotFound && Res >= ecHardwareFailure)
        throw EInOutError(LnkrLoadStr(int16_t(-Res)), -Res);
    switch (Res) {
    case ecBadArgument: raise<EBadArgument>(Res);
    case ecGotQuitMsg: raise<EGotQuitMsg>(Res);
    case ecBufferTooBig: raise<EBufferTooBig>(Res);
    case ecPortNotAssigned: raise<EPortNotAssigned>(Res);
    case ecInternal: raise<EInternal>(Res);
    case ecModemNotAssigned: raise<EModemNotAssigned>(Res);
    case ecPhonebookNotAssigned: raise<EPhonebookNotAssigned>(Res);
    case ecCannotUseWithWinSock: raise<ECannotUseWithWinSock>(Res);
    case ecBadId: raise<EBadId>(Res);
    case ecBaudRate: raise<EBaudRate>(Res);
    case ecByteSize: raise<EByteSize>(Res);
    case ecDefault: raise<EDefault>(Res);
    case ecHardware: raise<EHardware>(Res);
    case ecMemory: raise<EMemory>(Res);
    case ecCommNotOpen: raise<ECommNotOpen>(Res);
    case ecAlreadyOpen: raise<EAlreadyOpen>(Res);
    case ecNoHandles: raise<ENoHandles>(Res);
    case ecNoTimers: raise<ENoTimers>(Res);
    case ecNoPortSelected: raise<ENoPortSelected>(Res);
    case ecNotOpenedByTapi: raise<ENotOpenedByTapi>(Res);
    case ecNullApi: raise<ENullApi>(Res);
    case ecRegisterHandlerFailed: raise<ERegisterHandlerFailed>(Res);
    case ecPutBlockFail: raise<EPutBlockFail>(Res);
    case ecGetBlockFail: raise<EGetBlockFail>(Res);
    case ecOutputBufferTooSmall: raise<EOutputBufferTooSmall>(Res);
    case ecBufferIsEmpty: raise<EBufferIsEmpty>(Res);
    case ecTracingNotEnabled: raise<ETracingNotEnabled>(Res);
    case ecLoggingNotEnabled: raise<ELoggingNotEnabled>(Res);
    case ecBaseAddressNotSet: raise<EBaseAddressNotSet>(Res);
    case ecDtrFailed:
    case ecRtsFailed: raise<ESerialIO>(Res);
    case ecNoMoreTriggers: raise<ENoMoreTriggers>(Res);
    case ecTriggerTooLong: raise<ETriggerTooLong>(Res);
    case ecBadTriggerHandle: raise<EBadTriggerHandle>(Res);
    default: break;
    }
    // -1001, -3002, the packet codes and every code without a class of its own.
    throw EAPDException(QStringLiteral("Lnkr exception"), 0);
}

int XlatException(const std::exception& E)
{
    if (auto* apd = dynamic_cast<const EAPDException*>(&E))
        return apd->ErrorCode;
    if (auto* io = dynamic_cast<const EInOutError*>(&E))
        return -io->ErrorCode;
    if (dynamic_cast<const EOutOfMemory*>(&E))
        return ecOutOfMemory;
    return ecUnknownException;
}
