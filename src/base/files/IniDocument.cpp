#include "base/files/IniDocument.h"

#include "base/files/AtomicFile.h"
#include "base/files/TextEncoding.h"

#include <QFile>

namespace {

// Files larger than this are not configuration files; they read as empty rather than
// exhausting memory.
constexpr qint64 MaxFileSize = 16 * 1024 * 1024;

bool isSectionLine(const QString& line, QString* name) {
    const QString trimmed = line.trimmed();
    if (!trimmed.startsWith(u'[')) {
        return false;
    }
    const qsizetype close = trimmed.indexOf(u']');
    if (close < 0) {
        return false;
    }
    if (name) {
        *name = trimmed.mid(1, close - 1).trimmed();
    }
    return true;
}

// Splits "key = value"; false for lines that hold no key (blank, comment, no '=').
bool splitKeyLine(const QString& line, QString* key, QString* value) {
    const qsizetype equals = line.indexOf(u'=');
    if (equals < 0) {
        return false;
    }
    const QString name = line.left(equals).trimmed();
    if (name.isEmpty() || name.startsWith(u';')) {
        return false;
    }
    if (key) {
        *key = name;
    }
    if (value) {
        *value = line.mid(equals + 1);
    }
    return true;
}

QString cleanValue(const QString& raw) {
    QString value = raw.trimmed();
    if (value.size() >= 2) {
        const QChar first = value.front();
        if ((first == u'"' || first == u'\'') && value.back() == first) {
            value = value.mid(1, value.size() - 2);
        }
    }
    return value.left(IniDocument::MaxValueLength);
}

QString stripTrailingBlanks(QString text) {
    qsizetype end = text.size();
    while (end > 0 && text.at(end - 1).isSpace()) {
        --end;
    }
    text.truncate(end);
    return text;
}

// A value must stay on one line or it would break the file apart.
QString singleLine(QString value) {
    value.replace(u'\r', u' ');
    value.replace(u'\n', u' ');
    return value;
}

} // namespace

IniDocument IniDocument::fromFile(const QString& path) {
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly) || file.size() > MaxFileSize) {
        return {};
    }
    return fromBytes(file.read(MaxFileSize));
}

IniDocument IniDocument::fromBytes(const QByteArray& bytes) {
    IniDocument document;
    const QString text = TextEncoding::decodeUtf8OrWindows1252(bytes);
    if (text.contains(QStringLiteral("\r\n"))) {
        document.m_newline = QStringLiteral("\r\n");
    }
    QString normalised = text;
    normalised.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    normalised.replace(u'\r', u'\n');
    document.m_lines = normalised.split(u'\n');
    // A final newline leaves an empty last element that is not a line of the file.
    if (!document.m_lines.isEmpty() && document.m_lines.back().isEmpty()) {
        document.m_lines.removeLast();
    }
    return document;
}

int IniDocument::findSection(const QString& section) const {
    const QString wanted = section.trimmed();
    for (int i = 0; i < m_lines.size(); ++i) {
        QString name;
        if (isSectionLine(m_lines.at(i), &name) && name.compare(wanted, Qt::CaseInsensitive) == 0) {
            return i;
        }
    }
    return -1;
}

int IniDocument::sectionEnd(int sectionLine) const {
    int end = sectionLine + 1;
    while (end < m_lines.size() && !isSectionLine(m_lines.at(end), nullptr)) {
        ++end;
    }
    return end;
}

int IniDocument::findKey(int sectionLine, const QString& key) const {
    const QString wanted = key.trimmed();
    const int end = sectionEnd(sectionLine);
    for (int i = sectionLine + 1; i < end; ++i) {
        QString name;
        if (splitKeyLine(m_lines.at(i), &name, nullptr) && name.compare(wanted, Qt::CaseInsensitive) == 0) {
            return i;
        }
    }
    return -1;
}

QString IniDocument::value(const QString& section, const QString& key, const QString& defaultValue) const {
    const int sectionLine = findSection(section);
    if (sectionLine >= 0) {
        const int keyLine = findKey(sectionLine, key);
        if (keyLine >= 0) {
            QString raw;
            splitKeyLine(m_lines.at(keyLine), nullptr, &raw);
            return cleanValue(raw);
        }
    }
    return stripTrailingBlanks(defaultValue).left(MaxValueLength);
}

bool IniDocument::contains(const QString& section, const QString& key) const {
    const int sectionLine = findSection(section);
    return sectionLine >= 0 && findKey(sectionLine, key) >= 0;
}

void IniDocument::setValue(const QString& section, const QString& key, const QString& value) {
    const QString line = key + u'=' + singleLine(value);
    const int sectionLine = findSection(section);
    if (sectionLine < 0) {
        m_lines.append(u'[' + section + u']');
        m_lines.append(line);
        return;
    }
    const int keyLine = findKey(sectionLine, key);
    if (keyLine >= 0) {
        m_lines[keyLine] = line;
        return;
    }
    // After the last non-blank line of the section, so blank separator lines stay below it.
    int insertAt = sectionEnd(sectionLine);
    while (insertAt > sectionLine + 1 && m_lines.at(insertAt - 1).trimmed().isEmpty()) {
        --insertAt;
    }
    m_lines.insert(insertAt, line);
}

QStringList IniDocument::keys(const QString& section) const {
    QStringList result;
    const int sectionLine = findSection(section);
    if (sectionLine < 0) {
        return result;
    }
    const int end = sectionEnd(sectionLine);
    for (int i = sectionLine + 1; i < end; ++i) {
        QString name;
        if (splitKeyLine(m_lines.at(i), &name, nullptr)) {
            result.append(name);
        }
    }
    return result;
}

QByteArray IniDocument::toBytes() const {
    QString text;
    for (const QString& line : m_lines) {
        text += line + m_newline;
    }
    return text.toUtf8();
}

bool IniDocument::save(const QString& path) const {
    if (path.isEmpty()) {
        return false;
    }
    return AtomicFile::replace(path, toBytes());
}
