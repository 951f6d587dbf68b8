#include "comms/core/appexceptionhook.h"

#include <QCoreApplication>
#include <QtGlobal>
#include <utility>

namespace {
TAppExceptionHandler& handler()
{
    static TAppExceptionHandler h;
    return h;
}
std::function<bool()>& terminatedQuery()
{
    static std::function<bool()> q;
    return q;
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

void SetAppTerminatedQuery(std::function<bool()> Query)
{
    terminatedQuery() = std::move(Query);
}

bool ApplicationTerminated()
{
    return QCoreApplication::closingDown() || (terminatedQuery() && terminatedQuery()());
}
