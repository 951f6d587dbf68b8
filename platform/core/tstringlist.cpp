#include "platform/core/tstringlist.h"

bool TStringList::Find(const QString& s, int& index) const
{
    int lo = 0, hi = int(m_items.size());
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (QString::compare(m_items[mid], s, Qt::CaseInsensitive) < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    index = lo;
    return lo < m_items.size() && QString::compare(m_items[lo], s, Qt::CaseInsensitive) == 0;
}

int TStringList::Add(const QString& s)
{
    int i = 0;
    if (!Find(s, i))
        m_items.insert(i, s);
    return i;
}

int TStringList::IndexOf(const QString& s) const
{
    int i = 0;
    return Find(s, i) ? i : -1;
}
