#include "platform/core/windows1252.h"

namespace platform {

namespace {

// The block 0x80..0x9F; where the code page has no character, the C1 control of the same value.
constexpr char16_t HighBlock[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98
};

// The byte of a character, or 0 for none (NUL itself is handled by the caller).
char ByteOf(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return char(c);
    for (int i = 0; i < 32; ++i)
        if (HighBlock[i] == c)
            return char(0x80 + i);
    return 0;
}

}  // namespace

QString FromWindows1252(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char b : bytes) {
        const auto u = uchar(b);
        *out++ = QChar(u >= 0x80 && u < 0xA0 ? HighBlock[u - 0x80] : char16_t(u));
    }
    return text;
}

bool Windows1252CanHold(QStringView text)
{
    for (const QChar c : text)
        if (c.unicode() != 0 && ByteOf(c.unicode()) == 0)
            return false;
    return true;
}

QByteArray ToWindows1252(QStringView text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        const char b = ByteOf(c);
        if (b != 0 || c == 0) {
            bytes += b;
            continue;
        }
        // One character outside the basic plane is two code units, and one "?".
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        bytes += '?';
    }
    return bytes;
}

}  // namespace platform
