#include "comms/core/appexceptionhook.h"

#include <QtGlobal>
#include <utility>

namespace {
TAppExceptionHandler& handler()
{
    static TAppExceptionHandler h;
    return h;
}
}  // namespace

void SetAppExceptionHandler(TAppExceptionHandler Handler)
{
    handler() = std::move(Handler);
}

void ApplicationHandleException(const std::exception& E)
{
    if (handler())
        handler()(E);
    else
        qWarning("%s", E.what());
}
