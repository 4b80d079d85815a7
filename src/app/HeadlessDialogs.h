#pragma once

#include "base/interfaces/Dialogs.h"

#include <QString>

#include <cstdio>

// The dialogs of the headless session: every message goes to standard error as a "message: TEXT" line
// and is answered with its default (OK, No, Cancel); input boxes are answered empty and file
// dialogs cancelled. The language window takes its preset language.
class HeadlessDialogs : public Dialogs {
public:
    HeadlessDialogs(QString programDirectory, std::FILE* output = stderr);

    void message(const QString& text) override;
    Answer askYesNo(const QString& text) override;
    Answer askYesNoCancel(const QString& text) override;
    std::optional<QString> inputBox(const QString& prompt, const QString& title,
                                    const QString& defaultText) override;
    std::optional<QString> openFile(const QString& caption, const QString& directory,
                                    const QString& filter) override;
    std::optional<QString> saveFile(const QString& caption, const QString& presetPath, const QString& filter,
                                    const QString& defaultSuffix) override;
    void showLanguageWindow() override;
    void showPortSettings() override;
    void beep() override;

private:
    void print(const char* kind, const QString& text);

    QString m_programDirectory;
    std::FILE* m_output;
    // A bell character only rings on a terminal; asked once, not for every value.
    bool m_beepAudible;
};
