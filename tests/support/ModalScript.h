#pragma once

#include <QApplication>
#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

// Answers a chain of modal windows, each opened from the previous one. Every step names the
// window class it expects and acts on that window, usually with a click that opens the next
// window (the click returns only when that one has closed); an act leaves its window closed.
// A window that no step expects, or one that appears after the script has run out, is recorded
// and closed, so that a wrong chain fails the test instead of hanging it. shown() lists every
// modal window met, in order.
class ModalScript {
public:
    struct Step {
        QString windowClass;
        std::function<void(QWidget*)> act;
    };

    explicit ModalScript(std::vector<Step> steps, int timeoutMs = 60000)
        : m_state(std::make_shared<State>()) {
        m_state->steps = std::move(steps);
        m_state->remaining = timeoutMs / PollMs;
        poll(m_state);
    }
    ~ModalScript() { m_state->live = false; }
    ModalScript(const ModalScript&) = delete;
    ModalScript& operator=(const ModalScript&) = delete;

    QStringList shown() const { return m_state->shown; }
    // Every step has met its window.
    bool finished() const { return m_state->next == m_state->steps.size(); }

private:
    static constexpr int PollMs = 20;

    struct State {
        std::vector<Step> steps;
        std::size_t next = 0;
        QStringList shown;
        // Windows already acted on; they may stay open beneath the ones they opened.
        QList<QPointer<QWidget>> handled;
        int remaining = 0;
        bool live = true;
    };

    // Each poll is a new single-shot timer: a timer whose handler is still running (blocked in
    // the nested window it opened) would not fire again inside that window's event loop.
    static void poll(const std::shared_ptr<State>& state) {
        QTimer::singleShot(PollMs, [state] {
            if (!state->live || --state->remaining < 0) {
                return;
            }
            poll(state);
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || !modal->isVisible() || state->handled.contains(modal)) {
                return;
            }
            const QString windowClass = QString::fromLatin1(modal->metaObject()->className());
            state->shown.append(windowClass);
            if (state->next < state->steps.size() && state->steps[state->next].windowClass == windowClass) {
                state->handled.append(modal);
                const Step& step = state->steps[state->next++];
                const QPointer<QWidget> window(modal);
                step.act(modal);
                // Every act ends with its window closed; one still open means a check inside
                // the act failed, and closing it lets the chain end.
                if (window && window->isVisible()) {
                    state->shown.append(windowClass + QStringLiteral(" left open"));
                    window->close();
                }
                return;
            }
            modal->close();
        });
    }

    std::shared_ptr<State> m_state;
};
