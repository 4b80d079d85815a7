#include "app/SessionRunner.h"

#include "platform/PlatformFactory.h"

#include <QCoreApplication>

SessionRunner::SessionRunner(MainView& view, Dialogs& dialogs)
    : m_platform(PlatformFactory::create()),
      m_session(view, dialogs,
                {m_platform.keyboard.get(), m_platform.windows.get(), m_platform.keyState.get()}) {
    ProgramController& controller = m_session.controller();
    QObject::connect(&m_signals, &UnixSignalWatcher::terminationRequested, &controller,
                     &ProgramController::shutdown);
    QObject::connect(&controller, &ProgramController::ended, QCoreApplication::instance(),
                     &QCoreApplication::quit, Qt::QueuedConnection);
}

int SessionRunner::exec(const QString& configuration, const std::function<void()>& showView) {
    if (!m_session.start(configuration)) {
        return 1;
    }
    if (showView && !m_session.controller().hasEnded()) {
        showView();
    }
    if (const QString text = PlatformFactory::statusText(m_platform); !text.isEmpty()) {
        m_session.status().setText(text);
    }
    if (m_session.controller().hasEnded()) {
        return 0;
    }
    return QCoreApplication::exec();
}
