#include "device/rs232frames.h"

namespace rs232 {

QByteArray QueryFrame(const QString& key)
{
    return Esc + key.toLatin1() + '?' + Cr;
}

QByteArray SetFrame(const QString& key, const QString& value)
{
    return Esc + key.toLatin1() + '=' + value.toLatin1() + Cr;
}

QByteArray CommandFrame(const QString& command)
{
    return Esc + QByteArray("cmd=") + command.toLatin1() + Cr;
}

Reply ParseReply(const QString& data)
{
    Reply r;
    r.error = !data.isEmpty() && data.front() == QLatin1Char('-');
    const qsizetype eq = data.indexOf(QLatin1Char('='));
    if (eq >= 0) {
        r.hasValue = true;
        r.value = data.mid(eq + 1, MaxValueLength);
    }
    return r;
}

}  // namespace rs232
