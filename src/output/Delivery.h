#pragma once

#include <QString>
#include <QStringList>

class KeystrokeOutput;
class MainController;

// Delivers the output text of every accepted value to the target that the settings name: a
// text file, a workbook, a database table, the DDE text field or keystrokes into a window.
class Delivery {
public:
    explicit Delivery(MainController& controller);

    void setKeystrokeOutput(KeystrokeOutput* output) { m_keystrokes = output; }

    void DeliverOutput(const QString& outputText);

    // The fields of an output text for workbooks and databases: each field ends with "{TAB}";
    // text after the last one is dropped. Without any "{TAB}" the result is empty.
    static QStringList tabFields(const QString& outputText);

    // Folders of relative paths in settings: the program directory.
    static QString resolvePath(const QString& path);

    // Each returns false when nothing was written.
    static bool appendLine(const QString& path, const QString& line);
    static bool insertRecord(const QString& database, const QString& table, const QStringList& fields,
                             QString* error = nullptr);
    // The table names of a database, without the engine's own tables.
    static QStringList tableNames(const QString& database, QString* error = nullptr);

private:
    void deliverToWorkbook(const QString& outputText);

    MainController& m_controller;
    KeystrokeOutput* m_keystrokes = nullptr;
};
