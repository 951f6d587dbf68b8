#include <QStringList>

#include "app/texts/sprachen.h"

#ifndef QWL_VERSION
#define QWL_VERSION ""
#endif

void GetFileVersion(uint16_t& major, uint16_t& minor, uint16_t& release, uint16_t& build)
{
    // The version is compiled in from the project version ("a.b.c" or "a.b.c.d").
    const QStringList parts = QString::fromLatin1(QWL_VERSION).split(QLatin1Char('.'));
    if (parts.isEmpty() || parts.size() > 4)
        return;
    uint16_t v[4] = {0, 0, 0, 0};
    for (int i = 0; i < parts.size(); ++i) {
        bool ok = false;
        const uint n = parts[i].toUInt(&ok);
        if (!ok || n > 0xFFFF)
            return;
        v[i] = static_cast<uint16_t>(n);
    }
    major = v[0], minor = v[1], release = v[2], build = v[3];
}

QString FormatFileVersion(int mode, uint16_t major, uint16_t minor, uint16_t release, uint16_t build)
{
    if (mode == 1)
        return QString::number(major);
    if (mode == 2 || (release == 0 && build == 0))
        return QStringLiteral("%1.%2").arg(major).arg(minor);
    return QStringLiteral("%1.%2.%3").arg(major).arg(minor).arg(release);
}

QString FileVersionString(int mode)
{
    uint16_t major = 0, minor = 0, release = 0, build = 0;
    GetFileVersion(major, minor, release, build);
    return FormatFileVersion(mode, major, minor, release, build);
}
