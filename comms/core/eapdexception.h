#pragma once
#include "comms/core/exception.h"

#include <cstdint>

class TApdBaseComponent;

// Root of the library's exceptions. Components raise these; library operations never do, they
// return 0 or a negative code (see adexcept.h).
class EAPDException : public Exception {
public:
    // From a code: ErrorCode keeps the code, the message is the code's text.
    EAPDException(int Code, bool Ignore);
    // From a message: ErrorCode 0.
    explicit EAPDException(const QString& Msg, uint8_t Ignore = 0) : Exception(Msg) {}
    static int MapCodeToStringID(int Code) { return Code < 0 ? -Code : Code; }

    int ErrorCode = 0;
};

#define QWL_APD_EXCEPTION(Name, Base)  \
    class Name : public Base {         \
    public:                            \
        using Base::Base;              \
    };

// Group classes.
QWL_APD_EXCEPTION(EGeneral, EAPDException)
QWL_APD_EXCEPTION(EOpenComm, EAPDException)
QWL_APD_EXCEPTION(ESerialIO, EAPDException)
QWL_APD_EXCEPTION(EModem, EAPDException)
QWL_APD_EXCEPTION(ETrigger, EAPDException)
QWL_APD_EXCEPTION(EPacket, EAPDException)
QWL_APD_EXCEPTION(EProtocol, EAPDException)
QWL_APD_EXCEPTION(EINI, EAPDException)
QWL_APD_EXCEPTION(EFax, EAPDException)
QWL_APD_EXCEPTION(ETapi, EAPDException)
QWL_APD_EXCEPTION(ERas, EAPDException)
QWL_APD_EXCEPTION(EAdTerminal, EAPDException)
QWL_APD_EXCEPTION(EXML, EAPDException)
QWL_APD_EXCEPTION(EStateMachine, EAPDException)

// General.
QWL_APD_EXCEPTION(EBadArgument, EGeneral)
QWL_APD_EXCEPTION(EGotQuitMsg, EGeneral)
QWL_APD_EXCEPTION(EBufferTooBig, EGeneral)
QWL_APD_EXCEPTION(EPortNotAssigned, EGeneral)
QWL_APD_EXCEPTION(EInternal, EGeneral)
QWL_APD_EXCEPTION(EModemNotAssigned, EGeneral)
QWL_APD_EXCEPTION(EPhonebookNotAssigned, EGeneral)
QWL_APD_EXCEPTION(ECannotUseWithWinSock, EGeneral)

// Opening a port.
QWL_APD_EXCEPTION(EBadId, EOpenComm)
QWL_APD_EXCEPTION(EBaudRate, EOpenComm)
QWL_APD_EXCEPTION(EByteSize, EOpenComm)
QWL_APD_EXCEPTION(EDefault, EOpenComm)
QWL_APD_EXCEPTION(EHardware, EOpenComm)
QWL_APD_EXCEPTION(EMemory, EOpenComm)
QWL_APD_EXCEPTION(ECommNotOpen, EOpenComm)
QWL_APD_EXCEPTION(EAlreadyOpen, EOpenComm)
QWL_APD_EXCEPTION(ENoHandles, EOpenComm)
QWL_APD_EXCEPTION(ENoTimers, EOpenComm)
QWL_APD_EXCEPTION(ENoPortSelected, EOpenComm)
QWL_APD_EXCEPTION(ENotOpenedByTapi, EOpenComm)

// Serial input/output.
QWL_APD_EXCEPTION(ENullApi, ESerialIO)
QWL_APD_EXCEPTION(ERegisterHandlerFailed, ESerialIO)
QWL_APD_EXCEPTION(EPutBlockFail, ESerialIO)
QWL_APD_EXCEPTION(EGetBlockFail, ESerialIO)
QWL_APD_EXCEPTION(EOutputBufferTooSmall, ESerialIO)
QWL_APD_EXCEPTION(EBufferIsEmpty, ESerialIO)
QWL_APD_EXCEPTION(ETracingNotEnabled, ESerialIO)
QWL_APD_EXCEPTION(ELoggingNotEnabled, ESerialIO)
QWL_APD_EXCEPTION(EBaseAddressNotSet, ESerialIO)

// Triggers.
QWL_APD_EXCEPTION(ENoMoreTriggers, ETrigger)
QWL_APD_EXCEPTION(ETriggerTooLong, ETrigger)
QWL_APD_EXCEPTION(EBadTriggerHandle, ETrigger)

// Packets (never raised by CheckException).
QWL_APD_EXCEPTION(EInvalidProperty, EPacket)
QWL_APD_EXCEPTION(EStringSizeError, EPacket)

#undef QWL_APD_EXCEPTION

// Raises the exception that belongs to a negative Res, unless Component is being loaded from
// its stored form; otherwise returns Res.
int CheckException(const TApdBaseComponent* Component, int Res);
// The code an exception stands for: ErrorCode of the library's, the negated error code of an
// input/output error, ecOutOfMemory, ecUnknownException for anything else.
int XlatException(const std::exception& E);
