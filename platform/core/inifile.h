#pragma once
#include <QHash>
#include <QList>
#include <QString>

// An INI file with the semantics of the Windows profile functions: section and key names
// compare case-insensitively, values are trimmed, the first of duplicate sections or keys
// wins, and every line that is not changed (comments, unknown sections and keys, blanks)
// is written back exactly as read. Integers are decimal, booleans 0/1.
//
// The file is read once when the object is made; writes change the copy in memory and
// UpdateFile() replaces the file in one step. Line breaks and NUL in written values
// become blanks, so a value can never add lines to the file. A file is written back in the
// encoding it came in (UTF-8, UTF-16 with its byte-order mark, or Windows-1252 for 8-bit text
// that is no UTF-8, as the older program wrote it), and a file nothing was changed in keeps
// its bytes. Look-ups take constant time, so a save is
// linear in the size of the file.
class IniFile {
public:
    // Larger files are damaged (or no settings file at all): they are neither read nor written.
    // Room for the program's largest station list, in UTF-16 too.
    static constexpr qint64 MaxFileBytes = 16 << 20;

    explicit IniFile(const QString& path);

    const QString& FileName() const { return m_path; }
    // False when the file existed but could not be read: no regular file, larger than
    // MaxFileBytes or unreadable. Such a file is never replaced (UpdateFile fails).
    bool ReadOk() const { return m_readOk; }

    QString ReadString(const QString& section, const QString& key, const QString& def) const;
    int ReadInteger(const QString& section, const QString& key, int def) const;
    bool ReadBool(const QString& section, const QString& key, bool def) const;
    bool SectionExists(const QString& section) const;
    bool ValueExists(const QString& section, const QString& key) const;

    // False when the file's encoding has no bytes for some character of text (8-bit files);
    // such a value would make the save fail.
    bool CanHold(QStringView text) const;
    void WriteString(const QString& section, const QString& key, const QString& value);
    void WriteInteger(const QString& section, const QString& key, int value);
    void WriteBool(const QString& section, const QString& key, bool value);

    // The whole file as it would be written.
    QByteArray Serialize() const;
    // Writes the file atomically (platform/core/savefile.h), or in place where no temporary file
    // can be made in its folder; false on any failure, with reason set (the old file then
    // keeps its bytes). A value the file's encoding cannot hold is such a failure: an 8-bit
    // file is never turned into another encoding behind the user's back.
    bool UpdateFile(QString* reason = nullptr);

private:
    enum class Encoding { Utf8, Windows1252, Utf16LE, Utf16BE };
    struct Line {
        QString text;  // original text, written back while the entry is unchanged
        QString key;  // empty for comments and other lines
        QString value;
        QString eol;  // the line's own end as read; empty for the last line without one, and for new lines
        bool changed = false;
    };
    struct Section {
        QString name;
        bool hasHeader = true;  // false for lines before the first section header
        QList<Line> lines;
        QHash<QString, qsizetype> keys;  // folded key -> its first line
    };

    void Parse(const QString& text);
    const Section* FindSection(const QString& name) const;
    const Line* FindLine(const QString& section, const QString& key) const;
    QString Text() const;
    QByteArray Encode(const QString& text) const;

    QString m_path;
    bool m_readOk = true;
    bool m_modified = false;
    Encoding m_encoding = Encoding::Utf8;
    bool m_bom = false;
    QByteArray m_original;  // the bytes read, written back as they are while nothing changed
    QString m_eol = QStringLiteral("\n");
    QList<Section> m_sections;
    QHash<QString, qsizetype> m_sectionIndex;  // folded name -> first section of that name
};
