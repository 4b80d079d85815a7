#pragma once

#include "base/interfaces/Dialogs.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <functional>

// Dialogs for tests: records every text shown and answers from queues set up by the test.
// An empty queue gives the default answer (No, Cancel, cancelled file dialog).
class ScriptedDialogs : public Dialogs {
public:
    void message(const QString& text) override { messages.append(text); }
    Answer askYesNo(const QString& text) override { return next(text, Answer::No); }
    Answer askYesNoCancel(const QString& text) override { return next(text, Answer::Cancel); }
    std::optional<QString> inputBox(const QString& prompt, const QString&, const QString&) override {
        questions.append(prompt);
        return takeFile(inputs);
    }
    std::optional<QString> openFile(const QString& caption, const QString&, const QString&) override {
        fileDialogs.append(caption);
        return takeFile(openFiles);
    }
    std::optional<QString> saveFile(const QString& caption, const QString&, const QString&,
                                    const QString&) override {
        fileDialogs.append(caption);
        return takeFile(saveFiles);
    }
    void showLanguageWindow() override {
        ++languageWindows;
        if (languageWindow) {
            languageWindow();
        }
    }
    void showPortSettings() override { ++portSettingsWindows; }
    void beep() override { ++beeps; }

    std::deque<Answer> answers;
    std::deque<std::optional<QString>> openFiles;
    std::deque<std::optional<QString>> saveFiles;
    std::deque<std::optional<QString>> inputs;
    std::function<void()> languageWindow;

    QStringList messages;
    QStringList questions;
    QStringList fileDialogs;
    int languageWindows = 0;
    int portSettingsWindows = 0;
    int beeps = 0;

private:
    Answer next(const QString& text, Answer fallback) {
        questions.append(text);
        if (answers.empty()) {
            return fallback;
        }
        const Answer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    static std::optional<QString> takeFile(std::deque<std::optional<QString>>& queue) {
        std::optional<QString> value;
        if (!queue.empty()) {
            if (queue.front().has_value()) {
                value.emplace(*queue.front());
            }
            queue.pop_front();
        }
        return value;
    }
};
