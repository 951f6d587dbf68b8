#include "platform/core/settingsfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace platform {

namespace {
QString g_override;
}

QString SettingsFileFor(const QString& executablePath)
{
    const QFileInfo fi(executablePath);
    QString name = fi.fileName();
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot > 0)
        name.truncate(dot);
    return fi.absoluteDir().filePath(name + QStringLiteral(".INI"));
}

QString SettingsFilePath()
{
    if (!g_override.isEmpty())
        return g_override;
    return SettingsFileFor(QCoreApplication::applicationFilePath());
}

void SetSettingsFilePath(const QString& path) { g_override = path; }

}  // namespace platform
