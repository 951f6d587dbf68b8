#include "comms/core/adexcept.h"

#include "comms/core/adstrmap.h"

#include <cstring>

namespace {

constexpr int kMaxText = 255;

// (Lo + Hi) / 2 rounded to the nearest integer, halves to the even neighbour.
int midpoint(int lo, int hi)
{
    const int sum = lo + hi;
    int mid = sum / 2;
    if (sum % 2 != 0 && mid % 2 != 0)
        ++mid;
    return mid;
}

// Texts of the Windows error numbers the library reports without a row of its own, as the
// system gives them (with their line break).
struct SystemText {
    int Code;
    const char* Text;
};
constexpr SystemText kSystemTexts[] = {
    {1, "Incorrect function.\r\n"},
    {13, "The data is invalid.\r\n"},
    {21, "The device is not ready.\r\n"},
    {22, "The device does not recognize the command.\r\n"},
    {31, "A device attached to the system is not functioning.\r\n"},
    {87, "The parameter is incorrect.\r\n"},
    {995, "The I/O operation has been aborted because of either a thread exit or an application request.\r\n"},
    {1167, "The device is not connected.\r\n"},
};

}  // namespace

QString MessageNumberToString(int16_t Code)
{
    const int key = Code < 0 ? -int(Code) : int(Code);
    const TAdStrMapEntry* table = AdStrMapTable();
    int lo = 0;
    int hi = int(AdStrMapCount()) - 1;
    while (hi >= lo) {
        const int mid = midpoint(lo, hi);
        const int entry = table[mid].Code < 0 ? -table[mid].Code : table[mid].Code;
        if (entry == key)
            return QString::fromLatin1(table[mid].Msg).left(kMaxText);
        if (entry > key)
            hi = mid - 1;
        else
            lo = mid + 1;
    }
    return QString();
}

QString SystemErrorText(int Code)
{
    for (const SystemText& t : kSystemTexts)
        if (t.Code == Code)
            return QString::fromLatin1(t.Text);
    return QString();
}

QString LnkrLoadStr(int16_t Code)
{
    QString result = MessageNumberToString(Code);
    if (!result.isEmpty())
        return result;
    result = SystemErrorText(Code < 0 ? -int(Code) : int(Code)).left(kMaxText);
    for (QChar& c : result)
        if (c.unicode() < 32)
            c = QLatin1Char(' ');
    int at;
    while ((at = result.indexOf(QLatin1String("  "))) >= 0)
        result.remove(at, 1);
    return result;
}

char* LnkrLoadZ(char* Dest, int16_t Code)
{
    const QByteArray text = LnkrLoadStr(Code).toLatin1();
    const std::size_t n = std::min<std::size_t>(std::size_t(text.size()), kMaxText);
    std::memcpy(Dest, text.constData(), n);
    Dest[n] = '\0';
    return Dest;
}
