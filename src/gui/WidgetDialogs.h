#pragma once

#include "base/interfaces/Dialogs.h"

#include <QString>

#include <functional>

class QWidget;

// Dialogs as windows on the desktop: message boxes, input boxes, file dialogs and the modal
// program windows that the logic opens.
class WidgetDialogs : public Dialogs {
public:
    WidgetDialogs(QWidget* parent, QString programDirectory);

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

    // The window that shows the port settings; set by whoever owns that window.
    std::function<void()> portSettingsWindow;

private:
    QWidget* m_parent;
    QString m_programDirectory;
};
