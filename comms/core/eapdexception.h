#pragma once
#include "comms/core/errorcodes.h"
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

// The group and leaf classes, from the one table of classes and codes.
#define QWL_APD_EXCEPTION(Name, Base, Code)                                                                            \
    class Name : public Base {                                                                                         \
    public:                                                                                                            \
        using Base::Base;                                                                                              \
    };
#define QWL_APD_ALSO_RAISES(Name, Code)
#include "comms/core/eapdexceptiontable.h"
#undef QWL_APD_ALSO_RAISES
#undef QWL_APD_EXCEPTION

// The stream classes of the XML group; no code raises them. EAdStreamError keeps its code
// apart from ErrorCode (0, as made from a message).
class EAdStreamError : public EXML {
public:
    EAdStreamError(int32_t Code, const QString& Msg);
    int32_t StreamCode = 0;
};
class EAdFilterError : public EAdStreamError {
public:
    EAdFilterError(int32_t Code, int32_t Line, int32_t Column, const QString& Msg);
    QString Reason;  // the message as given, wide
    int32_t Line = 0;
    int32_t Column = 0;
};
class EAdParserError : public EAdFilterError {
public:
    EAdParserError(int32_t Line, int32_t Column, const QString& Msg);
};

// Two exceptions outside the tree, each with its own code.
class EApdPagerException : public Exception {
public:
    EApdPagerException(int32_t Code, const QString& Msg) : Exception(Msg), ErrorCode(Code) {}
    int32_t ErrorCode;
};
class EApdGSMPhoneException : public Exception {
public:
    EApdGSMPhoneException(int32_t Code, const QString& Msg) : Exception(Msg), ErrorCode(Code) {}
    int32_t ErrorCode;
};

// Raises the exception that belongs to a negative Res, unless Component is being loaded from
// its stored form; otherwise returns Res.
int CheckException(const TApdBaseComponent* Component, int Res);
// The code an exception stands for: ErrorCode of the library's, the negated error code of an
// input/output error, ecOutOfMemory, ecUnknownException for anything else.
int XlatException(const std::exception& E);
