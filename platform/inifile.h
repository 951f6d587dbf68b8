#pragma once
#include <QList>
#include <QString>

// An INI file with the semantics of the Windows profile functions: section and key names
// compare case-insensitively, values are trimmed, the first of duplicate sections or keys
// wins, and every line that is not changed (comments, unknown sections and keys, blanks)
// is written back exactly as read. Integers are decimal, booleans 0/1.
//
// The file is read once when the object is made; writes change the copy in memory and
// UpdateFile() replaces the file in one atomic step. Line breaks and NUL in written values
// become blanks, so a value can never add lines to the file.
class IniFile {
public:
    explicit IniFile(const QString& path);

    const QString& FileName() const { return m_path; }
    // False when the file existed but could not be read.
    bool ReadOk() const { return m_readOk; }

    QString ReadString(const QString& section, const QString& key, const QString& def) const;
    int ReadInteger(const QString& section, const QString& key, int def) const;
    bool ReadBool(const QString& section, const QString& key, bool def) const;
    bool SectionExists(const QString& section) const;
    bool ValueExists(const QString& section, const QString& key) const;

    void WriteString(const QString& section, const QString& key, const QString& value);
    void WriteInteger(const QString& section, const QString& key, int value);
    void WriteBool(const QString& section, const QString& key, bool value);

    // The whole file as it would be written.
    QByteArray Serialize() const;
    // Writes the file atomically (temporary file renamed over it); false on any failure,
    // the old file then stays as it was.
    bool UpdateFile();

private:
    struct Line {
        QString text;  // original text, written back while the entry is unchanged
        QString key;  // empty for comments and other lines
        QString value;
        bool changed = false;
    };
    struct Section {
        QString name;
        bool hasHeader = true;  // false for lines before the first section header
        QList<Line> lines;
    };

    void Parse(const QString& text);
    const Section* FindSection(const QString& name) const;
    Section* FindSection(const QString& name);
    const Line* FindLine(const QString& section, const QString& key) const;

    QString m_path;
    bool m_readOk = true;
    bool m_utf8 = true;
    QString m_eol = QStringLiteral("\n");
    QList<Section> m_sections;
};
