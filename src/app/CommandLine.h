#pragma once

#include <QString>
#include <QStringList>

// The program's arguments, read before any application object exists: --help, --version and a
// wrong argument are answered on the terminal and never open a window.
class CommandLine {
public:
    enum class Action { Run, ShowHelp, ShowVersion, Fail };

    // arguments holds the program name first, as argv does.
    static CommandLine parse(const QStringList& arguments);

    Action action() const { return m_action; }
    bool headless() const { return m_headless; }
    // The configuration file as given, relative to the program directory; empty: the standard one.
    const QString& configuration() const { return m_configuration; }
    // The help or version text, or what was wrong.
    const QString& text() const { return m_text; }

private:
    Action m_action = Action::Run;
    bool m_headless = false;
    QString m_configuration;
    QString m_text;
};
