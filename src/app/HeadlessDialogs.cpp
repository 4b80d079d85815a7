#include "app/HeadlessDialogs.h"

#include "base/texts/LanguageFile.h"

#include <unistd.h>

HeadlessDialogs::HeadlessDialogs(QString programDirectory, std::FILE* output)
    : m_programDirectory(std::move(programDirectory)), m_output(output),
      m_beepAudible(output && ::isatty(::fileno(output))) {}

void HeadlessDialogs::print(const char* kind, const QString& text) {
    if (m_output) {
        std::fprintf(m_output, "%s: %s\n", kind, text.toUtf8().constData());
        std::fflush(m_output);
    }
}

void HeadlessDialogs::message(const QString& text) {
    print("message", text);
}

Dialogs::Answer HeadlessDialogs::askYesNo(const QString& text) {
    print("message", text);
    return Answer::No;
}

Dialogs::Answer HeadlessDialogs::askYesNoCancel(const QString& text) {
    print("message", text);
    return Answer::Cancel;
}

std::optional<QString> HeadlessDialogs::inputBox(const QString& prompt, const QString&, const QString&) {
    print("input", prompt);
    return QString();
}

std::optional<QString> HeadlessDialogs::openFile(const QString& caption, const QString&, const QString&) {
    print("dialog", caption);
    return std::nullopt;
}

std::optional<QString> HeadlessDialogs::saveFile(const QString& caption, const QString&, const QString&,
                                                 const QString&) {
    print("dialog", caption);
    return std::nullopt;
}

void HeadlessDialogs::showLanguageWindow() {
    const QString language = LanguageFile::presetLanguage(LanguageFile::path(m_programDirectory));
    print("language", language);
    LanguageFile::chooseLanguage(m_programDirectory, language);
}

void HeadlessDialogs::showPortSettings() {}

void HeadlessDialogs::beep() {
    // Only a terminal can sound it; in a log file the bell character would be noise.
    if (m_beepAudible) {
        std::fputc('\a', m_output);
        std::fflush(m_output);
    }
}
