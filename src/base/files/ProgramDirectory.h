#pragma once

#include <QString>

// The folder that holds standard.cfg, tmp.cfg, kelvane.ini, language.ini, the help files and
// protocol.txt.
class ProgramDirectory {
public:
    // $KELVANE_HOME when set; else the executable's folder when it holds language.ini; else
    // ~/.config/kelvane, created and seeded from the installed data folder on first use.
    static QString resolve(const QString& executableDirectory);

    static void set(const QString& path);
    static QString path();
    static QString file(const QString& name);

private:
    static void seed(const QString& target, const QString& source);
};
