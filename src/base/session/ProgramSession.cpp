#include "base/session/ProgramSession.h"

#include "base/files/ProgramDirectory.h"

ProgramSession::ProgramSession(MainView& view, Dialogs& dialogs, const Desktop& desktop)
    : m_view(view), m_dialogs(dialogs), m_desktop(desktop), m_status(view),
      m_connection(m_settings, view, m_status, dialogs,
                   ProgramDirectory::file(QStringLiteral("kelvane.ini"))),
      m_buttons(m_settings, view, m_status, m_state, m_connection, m_cycleTimer, dialogs),
      m_targetWindow(m_settings, dialogs, desktop.windows, desktop.keyboard),
      m_delivery(
          m_settings, view, [this](const QString& text) { m_status.setText(text); }, dialogs,
          m_state.published()),
      m_triggerKeys(m_settings, desktop.keyState), m_cycle({m_settings, view, m_status, m_state, m_connection,
                                                            m_cycleTimer, m_buttons, m_delivery, dialogs}),
      m_controller({m_settings, view, dialogs, m_status, m_state, m_connection, m_cycleTimer, m_buttons}),
      m_publisher(m_state.published()), m_statistics(m_publisher, m_series) {
    m_targetWindow.setHandlers({[this] {
                                    m_buttons.press(MainButton::TimerStop);
                                    m_buttons.press(MainButton::Online);
                                },
                                [this](const QString& text) { m_status.setText(text); }});
    m_delivery.setKeystrokeSink(&m_targetWindow);
    m_cycle.setTriggerKeys(&m_triggerKeys);

    QObject::connect(&m_cycleTimer, &CycleTimer::tick, &m_cycle, &MainCycle::tick);
    QObject::connect(&m_buttons, &MainButtons::answerReceived, &m_cycle, &MainCycle::deliverAnswer);
    QObject::connect(&m_cycle, &MainCycle::valuesChanged, &m_publisher, &ValuePublisher::publishChanges);
    QObject::connect(&m_cycle, &MainCycle::valueTaken, &m_series, &ValueSeries::add);
    QObject::connect(&m_connection, &ConnectionControl::linkRestored, &m_cycle,
                     &MainCycle::discardPartialRecord);
    QObject::connect(&m_cycle, &MainCycle::quitRequested, &m_controller, &ProgramController::quit);
    QObject::connect(&m_publisher, &ValuePublisher::buttonRequested, &m_buttons, &MainButtons::pressNumber);
    QObject::connect(&m_controller, &ProgramController::shutdownStarted, &m_cycle, &MainCycle::end);
    QObject::connect(&m_controller, &ProgramController::shutdownStarted, &m_controller,
                     [this] { m_delivery.finish(); });
    QObject::connect(&m_controller, &ProgramController::configurationLoaded, &m_series,
                     [this] { m_series.setCapacity(m_settings.trendPoints); });
    QObject::connect(&m_controller, &ProgramController::configurationLoaded, &m_controller, [this] {
        if (m_desktop.windows) {
            m_targetWindow.findWindowByTitle();
        }
    });
}

bool ProgramSession::start(const QString& configuration) {
    if (!m_controller.start(configuration)) {
        return false;
    }
    m_delivery.resumeWaiting();
    return true;
}
