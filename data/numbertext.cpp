#include "data/numbertext.h"

#include <limits>

int StrToIntDef(const QString& text, int def)
{
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    if (i == text.size())
        return def;
    long long value = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return def;
        value = value * 10 + (c - u'0');
        if (value > (long long)std::numeric_limits<int>::max() + 1)
            return def;
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<int>::max() || value < std::numeric_limits<int>::min())
        return def;
    return int(value);
}

int ThreeDigitNumber(const QString& text)
{
    if (text.isEmpty() || text.size() > 3)
        return -1;
    for (const QChar c : text)
        if (c < u'0' || c > u'9')
            return -1;
    return text.toInt();
}

bool IsByteString(const QString& text)
{
    qsizetype from = 0, to = text.size();
    while (from < to && text[from].unicode() <= u' ')
        ++from;
    while (to > from && text[to - 1].unicode() <= u' ')
        --to;
    const int v = StrToIntDef(text.mid(from, to - from), -1);
    return v >= 0 && v <= 255;
}
