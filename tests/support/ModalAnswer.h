#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

// Answers the next modal window once it is shown: polls from the event loop until a modal
// widget appears, then runs answer on it. Gives up after timeoutMs so a test fails instead of
// hanging; answered() tells whether it ran.
class ModalAnswer {
public:
    ModalAnswer(std::function<void(QWidget*)> answer, int timeoutMs = 10000)
        : m_state(std::make_shared<State>()) {
        m_state->answer = std::move(answer);
        m_state->remaining = timeoutMs / 20;
        poll(m_state);
    }
    bool answered() const { return m_state->done; }
    QString windowClass() const { return m_state->windowClass; }

private:
    struct State {
        std::function<void(QWidget*)> answer;
        int remaining = 0;
        bool done = false;
        QString windowClass;
    };
    static void poll(const std::shared_ptr<State>& state) {
        QTimer::singleShot(20, [state] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal && modal->isVisible()) {
                state->done = true;
                state->windowClass = QString::fromLatin1(modal->metaObject()->className());
                state->answer(modal);
                return;
            }
            if (--state->remaining > 0) {
                poll(state);
            }
        });
    }
    std::shared_ptr<State> m_state;
};
