#include "platform/core/shellopen.h"

#include <QProcess>

namespace platform {
namespace {

bool StartDetached(const QString& program, const QStringList& args, const QString& workingDir)
{
    return QProcess::startDetached(program, args, workingDir);
}

ShellStarter& Starter()
{
    static ShellStarter starter = StartDetached;
    return starter;
}

}  // namespace

bool ShellOpen(const QString& target, const QString& workingDir)
{
    if (target.isEmpty())
        return false;
    // "--" is not understood by xdg-open; a target that starts with '-' is made a path.
    const QString arg = target.startsWith(u'-') ? QStringLiteral("./") + target : target;
    return Starter()(QStringLiteral("xdg-open"), QStringList{arg}, workingDir);
}

void SetShellStarter(ShellStarter starter)
{
    Starter() = starter ? std::move(starter) : ShellStarter(StartDetached);
}

}  // namespace platform
