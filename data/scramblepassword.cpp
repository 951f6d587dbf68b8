#include "data/scramblepassword.h"

namespace {
constexpr int First = 48;
constexpr int Count = 76;
// A permutation of the characters 48..123.
constexpr char Table[Count + 1] = "A^{Li:WtEb3Pm>[xIf7TqB_0Mj;XuFc4Qn?\\yJg8UrC`1Nk<YvGd5Ro@]zKh9VsDa2Ol=ZwHe6Sp";
}  // namespace

QString ScramblePassword(const QString& text)
{
    QString out = text;
    for (QChar& c : out) {
        const int code = c.unicode();
        if (code >= First && code < First + Count)
            c = QLatin1Char(Table[code - First]);
    }
    return out;
}

QString UnscramblePassword(const QString& text)
{
    QString out = text;
    for (QChar& c : out) {
        const int code = c.unicode();
        if (code >= First && code < First + Count) {
            for (int p = 0; p < Count; ++p)
                if (Table[p] == code) {
                    c = QChar(First + p);
                    break;
                }
        }
    }
    return out;
}
