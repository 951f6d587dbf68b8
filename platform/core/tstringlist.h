#pragma once
#include <QString>
#include <QStringList>

// A sorted, case-insensitive list of names that ignores duplicates (file names as Windows
// compares them).
class TStringList {
public:
    // Inserts in sorted position; returns the index of the name (the existing one for a
    // duplicate).
    int Add(const QString& s);
    // True and the index when present; else false and the insertion index.
    bool Find(const QString& s, int& index) const;
    int IndexOf(const QString& s) const;
    void Clear() { m_items.clear(); }
    int Count() const { return int(m_items.size()); }
    const QString& operator[](int i) const { return m_items[i]; }
    const QStringList& Strings() const { return m_items; }

private:
    QStringList m_items;
};
