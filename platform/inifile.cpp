#include "platform/inifile.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

namespace {
bool sameName(const QString& a, const QString& b) { return QString::compare(a, b, Qt::CaseInsensitive) == 0; }

QString oneLine(QString s)
{
    for (QChar& c : s)
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QChar(0))
            c = QLatin1Char(' ');
    return s;
}

bool isSectionHeader(const QString& trimmed) { return trimmed.startsWith(QLatin1Char('[')) && trimmed.contains(QLatin1Char(']')); }
}  // namespace

IniFile::IniFile(const QString& path) : m_path(path)
{
    QFile f(path);
    if (!f.exists())
        return;
    if (!f.open(QIODevice::ReadOnly)) {
        m_readOk = false;
        return;
    }
    const QByteArray bytes = f.readAll();
    if (bytes.contains("\r\n"))
        m_eol = QStringLiteral("\r\n");
    // Files made on Windows are in the ANSI code page; keep each file in the encoding it came in.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError()) {
        m_utf8 = false;
        text = QString::fromLatin1(bytes);
    }
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    Parse(text);
}

void IniFile::Parse(const QString& text)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    Section* current = nullptr;
    for (QString raw : lines) {
        if (raw.endsWith(QLatin1Char('\r')))
            raw.chop(1);
        const QString t = raw.trimmed();
        if (isSectionHeader(t)) {
            Section s;
            s.name = t.mid(1, t.indexOf(QLatin1Char(']')) - 1).trimmed();
            s.lines.append(Line{raw, QString(), QString(), false});
            m_sections.append(s);
            current = &m_sections.last();
            continue;
        }
        if (!current) {
            Section s;
            s.hasHeader = false;
            m_sections.append(s);
            current = &m_sections.last();
        }
        Line l{raw, QString(), QString(), false};
        const int eq = raw.indexOf(QLatin1Char('='));
        if (eq > 0 && !t.startsWith(QLatin1Char(';'))) {
            l.key = raw.left(eq).trimmed();
            l.value = raw.mid(eq + 1).trimmed();
        }
        current->lines.append(l);
    }
}

const IniFile::Section* IniFile::FindSection(const QString& name) const
{
    for (const Section& s : m_sections)
        if (s.hasHeader && sameName(s.name, name))
            return &s;
    return nullptr;
}

IniFile::Section* IniFile::FindSection(const QString& name)
{
    return const_cast<Section*>(static_cast<const IniFile*>(this)->FindSection(name));
}

const IniFile::Line* IniFile::FindLine(const QString& section, const QString& key) const
{
    const Section* s = FindSection(section.trimmed());
    if (!s)
        return nullptr;
    for (const Line& l : s->lines)
        if (!l.key.isEmpty() && sameName(l.key, key.trimmed()))
            return &l;
    return nullptr;
}

QString IniFile::ReadString(const QString& section, const QString& key, const QString& def) const
{
    const Line* l = FindLine(section, key);
    return l ? l->value : def;
}

int IniFile::ReadInteger(const QString& section, const QString& key, int def) const
{
    const Line* l = FindLine(section, key);
    if (!l)
        return def;
    bool ok = false;
    const int v = l->value.toInt(&ok, 10);
    return ok ? v : def;
}

bool IniFile::ReadBool(const QString& section, const QString& key, bool def) const
{
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

bool IniFile::SectionExists(const QString& section) const { return FindSection(section.trimmed()) != nullptr; }

bool IniFile::ValueExists(const QString& section, const QString& key) const { return FindLine(section, key) != nullptr; }

void IniFile::WriteString(const QString& section, const QString& key, const QString& value)
{
    const QString sec = oneLine(section).trimmed();
    const QString k = oneLine(key).trimmed();
    const QString v = oneLine(value);
    Section* s = FindSection(sec);
    if (!s) {
        Section ns;
        ns.name = sec;
        ns.lines.append(Line{QLatin1Char('[') + sec + QLatin1Char(']'), QString(), QString(), false});
        m_sections.append(ns);
        s = &m_sections.last();
    }
    for (Line& l : s->lines) {
        if (!l.key.isEmpty() && sameName(l.key, k)) {
            if (l.value != v || l.changed) {
                l.value = v;
                l.changed = true;
            }
            return;
        }
    }
    // New keys go after the section's last entry, before trailing blank lines.
    int at = int(s->lines.size());
    while (at > 1 && s->lines[at - 1].key.isEmpty() && s->lines[at - 1].text.trimmed().isEmpty())
        --at;
    s->lines.insert(at, Line{QString(), k, v, true});
}

void IniFile::WriteInteger(const QString& section, const QString& key, int value)
{
    WriteString(section, key, QString::number(value));
}

void IniFile::WriteBool(const QString& section, const QString& key, bool value)
{
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

QByteArray IniFile::Serialize() const
{
    QString out;
    for (const Section& s : m_sections)
        for (const Line& l : s.lines) {
            out += l.changed ? l.key + QLatin1Char('=') + l.value : l.text;
            out += m_eol;
        }
    bool latin1 = !m_utf8;
    if (latin1)
        for (QChar c : out)
            if (c.unicode() > 0xFF) {
                latin1 = false;
                break;
            }
    return latin1 ? out.toLatin1() : out.toUtf8();
}

bool IniFile::UpdateFile()
{
    QSaveFile f(m_path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = Serialize();
    if (f.write(bytes) != bytes.size()) {
        f.cancelWriting();
        return false;
    }
    return f.commit();
}
