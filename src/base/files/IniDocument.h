#pragma once

#include <QString>
#include <QStringList>

// An INI-format file held in memory with the semantics of the classic profile functions:
// section and key names match without regard to case, values lose surrounding blanks and one
// pair of enclosing quotes and are cut to 199 characters, a new section goes to the end of the
// file and a new key to the end of its section, an existing key is updated where it stands.
class IniDocument {
public:
    static constexpr int MaxValueLength = 199;

    IniDocument() = default;

    // Reads the file; a missing or unreadable file gives an empty document. Text that is not
    // valid UTF-8 is taken as Windows-1252.
    static IniDocument fromFile(const QString& path);
    static IniDocument fromBytes(const QByteArray& bytes);

    QString value(const QString& section, const QString& key, const QString& defaultValue) const;
    bool contains(const QString& section, const QString& key) const;
    void setValue(const QString& section, const QString& key, const QString& value);

    // Keys of a section in file order, as spelled in the file.
    QStringList keys(const QString& section) const;

    QByteArray toBytes() const;

    // Replaces the file atomically (temporary file, flush to disk, rename). False when the
    // file could not be written; the old file is then untouched.
    bool save(const QString& path) const;

private:
    int findSection(const QString& section) const;
    int sectionEnd(int sectionLine) const;
    int findKey(int sectionLine, const QString& key) const;

    QStringList m_lines;
    QString m_newline = QStringLiteral("\n");
};
