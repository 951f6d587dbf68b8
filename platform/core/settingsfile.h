#pragma once
#include <QString>

namespace platform {

// The settings file: the executable's path with its extension replaced by ".INI".
QString SettingsFilePath();
// Same rule for any executable path ("/x/tolvad.exe" -> "/x/tolvad.INI", "/x/qwlview" -> "/x/qwlview.INI").
QString SettingsFileFor(const QString& executablePath);
// Tests point the program at a file of their own; an empty path restores the rule.
void SetSettingsFilePath(const QString& path);

}  // namespace platform
