#include "device/searchreplies.h"

namespace searchreply {

void Split(const QString& text, QString (&fields)[FieldCount])
{
    for (QString& f : fields)
        f.clear();
    qsizetype begin = 0, end = text.size();
    while (begin < end && text[begin].unicode() < 33)
        ++begin;
    while (end > begin && text[end - 1].unicode() < 33)
        --end;
    int k = 0;
    for (qsizetype i = begin; i < end && k < FieldCount;) {
        qsizetype j = i;
        while (j < end && text[j] != QLatin1Char(' '))
            ++j;
        fields[k++] = text.mid(i, j - i);
        while (j < end && text[j] == QLatin1Char(' '))
            ++j;
        i = j;
    }
}

QString QueryValue(const QString& reply, const QString& deviceId)
{
    if (reply.left(5) != deviceId)
        return QString();
    return reply.mid(reply.indexOf(QLatin1Char('=')) + 1, 3);
}

}  // namespace searchreply
