#pragma once

#include <QString>

#include <optional>

// How the program talks to the user beyond the main window: message boxes, questions, input
// boxes, file dialogs and the two windows that the logic itself must open. The GUI and the
// headless session implement it.
class Dialogs {
public:
    enum class Answer { Ok, Cancel, Yes, No };

    virtual ~Dialogs() = default;

    // A message box with an OK button.
    virtual void message(const QString& text) = 0;
    // Yes and No; the default answer is No.
    virtual Answer askYesNo(const QString& text) = 0;
    // Yes, No and Cancel; the default answer is Cancel.
    virtual Answer askYesNoCancel(const QString& text) = 0;
    // An input box; nullopt when cancelled.
    virtual std::optional<QString> inputBox(const QString& prompt, const QString& title,
                                            const QString& defaultText) = 0;

    // An open-file dialog; nullopt when cancelled.
    virtual std::optional<QString> openFile(const QString& caption, const QString& directory,
                                            const QString& filter) = 0;
    // A save-as dialog preset with presetPath; nullopt when cancelled.
    virtual std::optional<QString> saveFile(const QString& caption, const QString& presetPath,
                                            const QString& filter, const QString& defaultSuffix) = 0;

    // The language window: lets the user choose the current language.
    virtual void showLanguageWindow() = 0;
    // The port window, as the main window opens it: it stores the port and goes no further.
    virtual void showPortSettings() = 0;

    // The system beep that marks every delivered value.
    virtual void beep() = 0;
};
