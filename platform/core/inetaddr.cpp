#include "platform/core/inetaddr.h"

namespace platform {

bool ParseDottedIPv4(const QString& text, uint32_t* address)
{
    uint32_t value = 0;
    int parts = 0;
    int digits = 0;
    uint32_t part = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        const QChar c = i < text.size() ? text[i] : QChar(u'.');
        if (c >= u'0' && c <= u'9') {
            if (++digits > 3)
                return false;
            part = part * 10 + uint32_t(c.unicode() - u'0');
            continue;
        }
        if (c != u'.' || digits == 0 || part > 255 || ++parts > 4)
            return false;
        value = (value << 8) | part;
        digits = 0;
        part = 0;
    }
    if (parts != 4)
        return false;
    if (address)
        *address = value;
    return true;
}

QString InetNtoa(uint32_t a)
{
    return QStringLiteral("%1.%2.%3.%4").arg(a >> 24).arg((a >> 16) & 0xFF).arg((a >> 8) & 0xFF).arg(a & 0xFF);
}

QString CanonicalIPv4(const QString& text)
{
    uint32_t a = 0;
    return ParseDottedIPv4(text, &a) ? InetNtoa(a) : QString();
}

}  // namespace platform
