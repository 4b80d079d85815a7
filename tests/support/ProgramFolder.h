#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A temporary program directory with the shipped language file, made current for the test.
class ProgramFolder {
public:
    explicit ProgramFolder(bool withLanguageFile = true);

    QString path() const { return m_dir.path(); }
    QString file(const QString& name) const { return m_dir.filePath(name); }

    // Writes a complete configuration file: the given keys, everything else at its default,
    // written the way the program writes it, so a save of unchanged settings is identical.
    void writeConfiguration(const QString& name, const QByteArray& keys) const;

private:
    QTemporaryDir m_dir;
};
