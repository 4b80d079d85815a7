#include "gui/WidgetDialogs.h"

#include "gui/LanguageDialog.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace {
const QString BoxTitle = QStringLiteral("Kelvane");
}

WidgetDialogs::WidgetDialogs(QWidget* parent, QString programDirectory)
    : m_parent(parent), m_programDirectory(std::move(programDirectory)) {}

void WidgetDialogs::message(const QString& text) {
    QMessageBox box(QMessageBox::Information, BoxTitle, text, QMessageBox::Ok, m_parent);
    box.setObjectName(QStringLiteral("messageBox"));
    box.exec();
}

Dialogs::Answer WidgetDialogs::askYesNo(const QString& text) {
    QMessageBox box(QMessageBox::Question, BoxTitle, text, QMessageBox::Yes | QMessageBox::No, m_parent);
    box.setObjectName(QStringLiteral("messageBox"));
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

Dialogs::Answer WidgetDialogs::askYesNoCancel(const QString& text) {
    QMessageBox box(QMessageBox::Question, BoxTitle, text,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, m_parent);
    box.setObjectName(QStringLiteral("messageBox"));
    box.setDefaultButton(QMessageBox::Cancel);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return Answer::Cancel;
    }
}

std::optional<QString> WidgetDialogs::inputBox(const QString& prompt, const QString& title,
                                               const QString& defaultText) {
    QInputDialog dialog(m_parent);
    dialog.setObjectName(QStringLiteral("inputBox"));
    dialog.setWindowTitle(title.isEmpty() ? BoxTitle : title);
    dialog.setLabelText(prompt);
    dialog.setTextValue(defaultText);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.textValue();
}

std::optional<QString> WidgetDialogs::openFile(const QString& caption, const QString& directory,
                                               const QString& filter) {
    QFileDialog dialog(m_parent, caption, directory, filter);
    dialog.setObjectName(QStringLiteral("openFileDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().constFirst();
}

std::optional<QString> WidgetDialogs::saveFile(const QString& caption, const QString& presetPath,
                                               const QString& filter, const QString& defaultSuffix) {
    QFileDialog dialog(m_parent, caption, presetPath, filter);
    dialog.setObjectName(QStringLiteral("saveFileDialog"));
    // The program asks its own overwrite question.
    dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(defaultSuffix);
    if (!presetPath.isEmpty()) {
        dialog.selectFile(presetPath);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().constFirst();
}

void WidgetDialogs::showLanguageWindow() {
    LanguageDialog window(m_programDirectory, m_parent);
    window.exec();
}

void WidgetDialogs::showPortSettings() {
    if (portSettingsWindow) {
        portSettingsWindow();
    }
}

void WidgetDialogs::beep() {
    QApplication::beep();
}
