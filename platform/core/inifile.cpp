#include "platform/core/inifile.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <cerrno>
#include <cstring>

#include "platform/core/regularfile.h"
#include "platform/core/savefile.h"
#include "platform/core/windows1252.h"

namespace {
// Names compare as the Windows profile functions compare them: without letter case.
QString folded(const QString& name) { return name.toCaseFolded(); }

QString oneLine(QString s)
{
    for (QChar& c : s)
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QChar(0))
            c = QLatin1Char(' ');
    return s;
}

bool isSectionHeader(const QString& trimmed) { return trimmed.startsWith(QLatin1Char('[')) && trimmed.contains(QLatin1Char(']')); }

bool startsWith(const QByteArray& bytes, std::initializer_list<unsigned char> mark)
{
    if (bytes.size() < qsizetype(mark.size()))
        return false;
    qsizetype i = 0;
    for (unsigned char c : mark)
        if (uchar(bytes[i++]) != c)
            return false;
    return true;
}
}  // namespace

IniFile::IniFile(const QString& path) : m_path(path)
{
    QFile f(path);
    switch (platform::OpenRegularFile(f, MaxFileBytes)) {
    case platform::OpenResult::Missing:
        return;
    case platform::OpenResult::Opened:
        break;
    default:
        m_readOk = false;
        return;
    }
    // Read with the same bound: the file may have grown since the check.
    m_original = f.read(MaxFileBytes + 1);
    if (m_original.size() > MaxFileBytes || f.error() != QFileDevice::NoError) {
        m_readOk = false;
        m_original.clear();
        return;
    }
    const QByteArray& bytes = m_original;
    QString text;
    if (startsWith(bytes, {0xFF, 0xFE}) || startsWith(bytes, {0xFE, 0xFF})) {
        // Windows writes Unicode profile files as UTF-16 with a byte-order mark.
        m_encoding = uchar(bytes[0]) == 0xFF ? Encoding::Utf16LE : Encoding::Utf16BE;
        m_bom = true;
        QStringDecoder utf16(m_encoding == Encoding::Utf16LE ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE,
                             QStringDecoder::Flag::Stateless);
        text = utf16.decode(bytes.mid(2));
    } else {
        // 8-bit text that is no UTF-8 comes from the older program: Windows-1252.
        m_bom = startsWith(bytes, {0xEF, 0xBB, 0xBF});
        const QByteArray body = m_bom ? bytes.mid(3) : bytes;
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        text = utf8.decode(body);
        if (utf8.hasError()) {
            m_encoding = Encoding::Windows1252;
            text = platform::FromWindows1252(body);
        }
    }
    if (text.contains(QLatin1String("\r\n")))
        m_eol = QStringLiteral("\r\n");
    Parse(text);
}

void IniFile::Parse(const QString& text)
{
    Section* current = nullptr;
    qsizetype from = 0;
    while (from < text.size()) {
        const qsizetype nl = text.indexOf(QLatin1Char('\n'), from);
        const qsizetype end = nl < 0 ? text.size() : nl;
        Line l;
        l.text = text.mid(from, end - from);
        if (nl >= 0)
            l.eol = QStringLiteral("\n");
        if (l.text.endsWith(QLatin1Char('\r')) && nl >= 0) {
            l.text.chop(1);
            l.eol = QStringLiteral("\r\n");
        }
        from = end + 1;

        const QString t = l.text.trimmed();
        if (isSectionHeader(t)) {
            Section s;
            s.name = t.mid(1, t.indexOf(QLatin1Char(']')) - 1).trimmed();
            s.lines.append(l);
            m_sectionIndex.insert(folded(s.name), m_sections.size());  // a later duplicate replaces it below
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
        const qsizetype eq = l.text.indexOf(QLatin1Char('='));
        if (eq > 0 && !t.startsWith(QLatin1Char(';'))) {
            l.key = l.text.left(eq).trimmed();
            l.value = l.text.mid(eq + 1).trimmed();
            current->keys.insert(folded(l.key), current->lines.size());
        }
        current->lines.append(l);
    }
    // The first of duplicate sections and keys wins: rebuild the tables from the back.
    m_sectionIndex.clear();
    for (qsizetype i = m_sections.size() - 1; i >= 0; --i) {
        Section& s = m_sections[i];
        if (s.hasHeader)
            m_sectionIndex.insert(folded(s.name), i);
        s.keys.clear();
        for (qsizetype k = s.lines.size() - 1; k >= 0; --k)
            if (!s.lines[k].key.isEmpty())
                s.keys.insert(folded(s.lines[k].key), k);
    }
}

const IniFile::Section* IniFile::FindSection(const QString& name) const
{
    const auto it = m_sectionIndex.constFind(folded(name));
    return it == m_sectionIndex.constEnd() ? nullptr : &m_sections[*it];
}

const IniFile::Line* IniFile::FindLine(const QString& section, const QString& key) const
{
    const Section* s = FindSection(section.trimmed());
    if (!s)
        return nullptr;
    const auto it = s->keys.constFind(folded(key.trimmed()));
    return it == s->keys.constEnd() ? nullptr : &s->lines[*it];
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
    auto found = m_sectionIndex.constFind(folded(sec));
    if (found == m_sectionIndex.constEnd()) {
        Section ns;
        ns.name = sec;
        ns.lines.append(Line{QLatin1Char('[') + sec + QLatin1Char(']'), QString(), QString(), m_eol, true});
        found = m_sectionIndex.insert(folded(sec), m_sections.size());
        m_sections.append(ns);
        m_modified = true;
    }
    Section& s = m_sections[*found];
    const auto line = s.keys.constFind(folded(k));
    if (line != s.keys.constEnd()) {
        Line& l = s.lines[*line];
        if (l.value != v || l.changed) {
            l.value = v;
            l.changed = true;
            m_modified = true;
        }
        return;
    }
    // New keys go after the section's last entry, before trailing blank lines (which hold no
    // key, so no index in the table moves).
    qsizetype at = s.lines.size();
    while (at > 1 && s.lines[at - 1].key.isEmpty() && s.lines[at - 1].text.trimmed().isEmpty())
        --at;
    s.lines.insert(at, Line{QString(), k, v, m_eol, true});
    s.keys.insert(folded(k), at);
    m_modified = true;
}

void IniFile::WriteInteger(const QString& section, const QString& key, int value)
{
    WriteString(section, key, QString::number(value));
}

void IniFile::WriteBool(const QString& section, const QString& key, bool value)
{
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

QByteArray IniFile::Encode(const QString& text) const
{
    switch (m_encoding) {
    case Encoding::Utf16LE:
    case Encoding::Utf16BE: {
        QStringEncoder utf16(m_encoding == Encoding::Utf16LE ? QStringEncoder::Utf16LE : QStringEncoder::Utf16BE);
        return (m_encoding == Encoding::Utf16LE ? QByteArray("\xFF\xFE") : QByteArray("\xFE\xFF")) + QByteArray(utf16.encode(text));
    }
    case Encoding::Windows1252: return platform::ToWindows1252(text);
    case Encoding::Utf8:
        break;
    }
    return (m_bom ? QByteArray("\xEF\xBB\xBF") : QByteArray()) + text.toUtf8();
}

bool IniFile::CanHold(QStringView text) const
{
    return m_encoding != Encoding::Windows1252 || platform::Windows1252CanHold(text);
}

QString IniFile::Text() const
{
    QString out;
    bool open = false;  // the last line written has no line end yet
    for (const Section& s : m_sections)
        for (const Line& l : s.lines) {
            if (open)
                out += m_eol;
            out += l.changed && !l.key.isEmpty() ? l.key + QLatin1Char('=') + l.value : l.text;
            out += l.eol;
            open = l.eol.isEmpty();
        }
    return out;
}

QByteArray IniFile::Serialize() const
{
    if (!m_modified && !m_original.isEmpty())
        return m_original;
    return Encode(Text());
}

bool IniFile::UpdateFile(QString* reason)
{
    // A file that was not read would lose what we did not see.
    if (!m_readOk) {
        if (reason)
            *reason = QStringLiteral("not read");
        return false;
    }
    QByteArray bytes;
    if (!m_modified && !m_original.isEmpty()) {
        bytes = m_original;
    } else {
        const QString text = Text();
        if (!CanHold(text)) {
            if (reason)
                *reason = QStringLiteral("a value holds characters that Windows-1252 cannot store");
            return false;
        }
        bytes = Encode(text);
    }
    // A file the next start would refuse to read is not written.
    if (bytes.size() > MaxFileBytes) {
        if (reason)
            *reason = QString::fromLocal8Bit(std::strerror(EFBIG));
        return false;
    }
    platform::RemoveStaleSaveFiles(m_path);
    // A shared installation may let us write the file but not its folder.
    return platform::SaveWholeFile(m_path, bytes, reason, platform::SaveFallback::InPlace);
}
