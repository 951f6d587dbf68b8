#pragma once
#include <QString>
#include <QStringList>
#include <functional>

// Opening a file or an address with the desktop's default program. The program is started
// detached through xdg-open with an argument list, never through a shell command line.
namespace platform {

// Starts the opener for target; workingDir empty keeps the program's own. False when the
// opener could not be started (what it then does with the target is not known here).
bool ShellOpen(const QString& target, const QString& workingDir = QString());

// Test seam: replaces the starter of the detached process (program, arguments, working
// folder); an empty function restores the real one.
using ShellStarter = std::function<bool(const QString&, const QStringList&, const QString&)>;
void SetShellStarter(ShellStarter starter);

}  // namespace platform
