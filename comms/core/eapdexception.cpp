#include "comms/core/eapdexception.h"

#include "comms/core/adexcept.h"
#include "comms/core/tapdbasecomponent.h"

#include <iterator>

EAPDException::EAPDException(int Code, bool)
    : Exception(LnkrLoadStr(int16_t(MapCodeToStringID(Code)))), ErrorCode(Code)
{
}

EAdStreamError::EAdStreamError(int32_t Code, const QString& Msg)
    : EXML(QString::fromLatin1(Msg.toLatin1()), 0), StreamCode(Code)
{
}

EAdFilterError::EAdFilterError(int32_t Code, int32_t Line, int32_t Column, const QString& Msg)
    : EAdStreamError(Code, Msg), Reason(Msg), Line(Line), Column(Column)
{
}

EAdParserError::EAdParserError(int32_t Line, int32_t Column, const QString& Msg) : EAdFilterError(0, Line, Column, Msg)
{
}

namespace {

template <class E>
[[noreturn]] void raise(int code)
{
    throw E(code, false);
}

struct TCodeClass {
    int Code;
    void (*Raise)(int);
};

// CheckException's rule, from the table of classes and codes.
constexpr TCodeClass kCodeClasses[] = {
#define QWL_APD_EXCEPTION(Name, Base, Code) {Code, &raise<Name>},
#define QWL_APD_ALSO_RAISES(Name, Code) {Code, &raise<Name>},
#include "comms/core/eapdexceptiontable.h"
#undef QWL_APD_ALSO_RAISES
#undef QWL_APD_EXCEPTION
};

constexpr bool eachCodeOnce()
{
    for (std::size_t i = 0; i < std::size(kCodeClasses); ++i)
        for (std::size_t j = i + 1; j < std::size(kCodeClasses); ++j)
            if (kCodeClasses[i].Code != 0 && kCodeClasses[i].Code == kCodeClasses[j].Code)
                return false;
    return true;
}
static_assert(eachCodeOnce(), "a code raises one class");

}  // namespace

int CheckException(const TApdBaseComponent* Component, int Res)
{
    if (Res >= 0 || (Component && Component->IsLoading()))
        return Res;
    if (Res == ecOutOfMemory)
        throw EOutOfMemory();
    if (Res <= ecFileNotFound && Res >= ecHardwareFailure)
        throw EInOutError(LnkrLoadStr(int16_t(-Res)), -Res);
    for (const TCodeClass& c : kCodeClasses)
        if (c.Code == Res)
            c.Raise(Res);
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
