#include "device/rsconfigreadstate.h"

#include "data/runtimetexts.h"

namespace rsconfig {

QString ReplyKey(const QString& data)
{
    if (data.startsWith(u'-'))
        return QString();
    const qsizetype eq = data.indexOf(u'=');
    return eq < 0 ? QString() : data.left(eq);
}

bool ReplyAnswers(const QString& data, const QString& key)
{
    const QString named = ReplyKey(data);
    return named.isEmpty() ? !data.contains(u'=') || data.startsWith(u'-')
                           : named.compare(key, Qt::CaseInsensitive) == 0;
}

KeyReadState::KeyReadState()
{
    Reset();
}

void KeyReadState::Reset()
{
    m_read.assign(KeyTable().size(), false);
    m_changed.assign(KeyTable().size(), false);
}

size_t KeyReadState::IndexOf(const KeyEntry& key)
{
    return size_t(&key - KeyTable().data());
}

void KeyReadState::SetRead(const KeyEntry& key)
{
    m_read.at(IndexOf(key)) = true;
}
void KeyReadState::MarkChanged(const KeyEntry& key)
{
    m_changed.at(IndexOf(key)) = true;
}
bool KeyReadState::WasRead(const KeyEntry& key) const
{
    return m_read.at(IndexOf(key));
}
bool KeyReadState::Changed(const KeyEntry& key) const
{
    return m_changed.at(IndexOf(key));
}

QString WriteStoppedText(const QStringList& written, const QStringList& notWritten)
{
    const QString none = QStringLiteral("-");
    return MsgRs232WriteStopped.arg(written.isEmpty() ? none : written.join(QStringLiteral(", ")),
                                    notWritten.isEmpty() ? none : notWritten.join(QStringLiteral(", ")));
}

}  // namespace rsconfig
