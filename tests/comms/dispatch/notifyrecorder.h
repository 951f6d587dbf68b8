#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>

// Collects notifications as "name:msg:wParam:data" lines, in the order they arrive.
struct NotifyRecorder {
    QStringList lines;
    void note(const char* who, uint32_t msg, uint32_t wParam, int32_t lParam)
    {
        lines << QStringLiteral("%1:%2:%3:%4")
                     .arg(QLatin1String(who))
                     .arg(msg, 0, 16)
                     .arg(wParam)
                     .arg(uint32_t(lParam) & 0xFFFF);
    }
};
