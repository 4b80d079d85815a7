#include "app/ProgramSession.h"

#include "output/DdeConnection.h"
#include "platform/PlatformFactory.h"

ProgramSession::ProgramSession(MainView& view, Dialogs& dialogs)
    : m_controller(view, dialogs), m_cycle(m_controller), m_ddeSource(m_controller, m_cycle),
      m_platform(PlatformFactory::create()),
      m_target(m_controller, m_platform.windows.get(), m_platform.keyboard.get()),
      m_triggerKeys(m_controller.settings(), m_platform.keyState.get()) {
    m_cycle.delivery().setKeystrokeOutput(&m_target);
    m_cycle.setTriggerKeys(&m_triggerKeys);
    QObject::connect(&m_controller, &MainController::ddeCommandRequested, &m_controller,
                     [this] { DDE_Verbindung(m_controller); });
    QObject::connect(&m_controller, &MainController::targetLookupRequested, &m_controller, [this] {
        if (m_platform.windows) {
            m_target.FindWindowByTitle();
        }
    });
}

bool ProgramSession::start(const QString& configuration) {
    if (!m_controller.formLoad(configuration)) {
        return false;
    }
    if (!m_platform.available()) {
        m_controller.fnUpdateStatus(PlatformFactory::unavailableText());
    }
    return true;
}
