#include "app/windows/hourranges.h"

#include <algorithm>

#include "data/econverterror.h"

HourBounds HourBoundsOf(const QString texts[6])
{
    HourBounds b;
    b.NightLow = TrimmedStrToIntDef(texts[0], 22);
    b.NightHigh = TrimmedStrToIntDef(texts[1], 6);
    b.Day1Low = TrimmedStrToIntDef(texts[2], 6);
    b.Day1High = TrimmedStrToIntDef(texts[3], 18);
    b.Day2Low = TrimmedStrToIntDef(texts[4], 0);
    b.Day2High = TrimmedStrToIntDef(texts[5], 0);
    return b;
}

void DeriveHourRanges(HourBounds b, int32_t r[10])
{
    // Hours outside the day would colour nothing sensible and could index past the graph.
    auto clamp = [](int& h) { h = std::clamp(h, 0, 24); };
    clamp(b.NightLow), clamp(b.NightHigh), clamp(b.Day1Low), clamp(b.Day1High);
    clamp(b.Day2Low), clamp(b.Day2High);
    const int NL = b.NightLow, NH = b.NightHigh, D1L = b.Day1Low;
    int D1H = b.Day1High, D2L = b.Day2Low, D2H = b.Day2High;

    // Night: before midnight, after midnight.
    if (NL == NH) {
        r[0] = -1;
        r[2] = -1;
    } else {
        r[0] = NL <= 0 ? NL : 0;
        r[1] = NH;
        r[2] = NL > NH ? NL : -1;
        r[3] = 24;
    }
    // Day range 2 starting inside day range 1 makes one day ending at day 2's end.
    if (D2L != D2H && D2L <= D1H) {
        D1H = D2H;
        D2L = D2H;
    }
    // Morning edge.
    if (D1L != D1H) {
        r[4] = D1L > NH ? NH : -1;
        r[5] = D1L;
    } else {
        r[4] = -1;
    }
    // Midday edge.
    if (D2L == D2H) {
        r[6] = -1;
        D2L = D1L;
        D2H = D1H;
    } else {
        r[6] = D2L > D1H ? D1H : -1;
        r[7] = D2L;
    }
    // Evening edge.
    if (D1L != D1H) {
        r[8] = NL > D2H ? D2H : -1;
        r[9] = NL;
    } else {
        r[8] = -1;
    }
}

int CheckHourBounds(const QString t[12])
{
    static const int defaults[6] = {22, 6, 6, 20, 0, 0};
    for (int day = 0; day < 2; ++day) {
        int v[6];
        for (int i = 0; i < 6; ++i)
            v[i] = TrimmedStrToIntDef(t[day * 6 + i], defaults[i]);
        const int NL = v[0], NH = v[1], D1L = v[2], D1H = v[3], D2L = v[4], D2H = v[5];
        const int base = day * 4;
        if (D1L > D1H) return base + 1;
        if (D2L > D2H) return base + 2;
        if (D2L != D2H) {
            if (D2H > NL) return base + 4;
            if (D2L < NH) return base + 2;
            if (D1H > D2L) return base + 3;
        }
    }
    return 0;
}
