#include "data/localpath.h"

#include <QDir>
#include <QFileInfo>

QString JoinLocalPath(std::initializer_list<QString> parts)
{
    QString out;
    for (const QString& part : parts) {
        if (part.isEmpty())
            continue;
        if (out.isEmpty()) {
            out = part;
            continue;
        }
        const bool endsWithDelim = out.endsWith(LocalPathDelim);
        const bool startsWithDelim = part.startsWith(LocalPathDelim);
        if (endsWithDelim && startsWithDelim)
            out += part.mid(1);
        else if (endsWithDelim || startsWithDelim)
            out += part;
        else
            out += LocalPathDelim + part;
    }
    return out;
}

QString FileNamePart(const QString& path)
{
    for (qsizetype i = path.size() - 1; i >= 0; --i) {
        const QChar c = path[i];
        if (c == u'/' || c == u'\\' || c == u':')
            return path.mid(i + 1);
    }
    return path;
}

bool IsSafeFileName(const QString& name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    for (const QChar c : name) {
        if (c == u'/' || c == u'\\' || c == u':' || c.unicode() < 0x20 || c.unicode() == 0x7F)
            return false;
    }
    return true;
}

bool IsInsideDir(const QString& root, const QString& path)
{
    if (root.isEmpty() || path.isEmpty())
        return false;
    QString r = QDir::cleanPath(QFileInfo(root).absoluteFilePath());
    const QString p = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    if (!r.endsWith(u'/'))
        r += u'/';
    return p.startsWith(r) && p.size() > r.size();
}
