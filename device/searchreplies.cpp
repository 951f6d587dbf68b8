#include "device/searchreplies.h"

#include <algorithm>

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

namespace {

const QString SearchCommand = QStringLiteral("1");

bool AllDigits(const QString& s)
{
    return !s.isEmpty() && std::all_of(s.begin(), s.end(), [](QChar c) { return c.isDigit(); });
}

// The command number a text carries in field 1, "" when it carries none.
QString CommandOf(const QString& text)
{
    QString fields[FieldCount];
    Split(text.left(text.indexOf(QLatin1Char('='))), fields);
    return AllDigits(fields[1]) ? fields[1] : QString();
}

// The key a reply names before its first '=', "" when it names none.
QString KeyOf(const QString& reply)
{
    const qsizetype eq = reply.indexOf(QLatin1Char('='));
    if (eq < 0)
        return QString();
    const QString before = reply.left(eq).trimmed();
    const QString last = before.mid(before.lastIndexOf(QLatin1Char(' ')) + 1);
    return last.isEmpty() || AllDigits(last) ? QString() : last;
}

}  // namespace

bool Answers(const QString& reply, const QString& query)
{
    QString asked[FieldCount];
    Split(query, asked);
    const QString command = CommandOf(reply);
    if (!command.isEmpty() && command != asked[1])
        return false;
    if (asked[1] == SearchCommand)
        return true;
    if (reply.left(5) != asked[0])
        return false;
    QString key = asked[2];
    key.chop(key.endsWith(QLatin1Char('?')) ? 1 : 0);
    const QString named = KeyOf(reply);
    return named.isEmpty() || named.compare(key, Qt::CaseInsensitive) == 0;
}

bool TellsItsQuery(const QString& reply)
{
    return !CommandOf(reply).isEmpty() || !KeyOf(reply).isEmpty();
}

bool IsKeyAnswer(const QString& reply)
{
    const QString command = CommandOf(reply);
    return !command.isEmpty() && command != SearchCommand;
}

}  // namespace searchreply
