#pragma once

#include "core/MainController.h"
#include "core/MainCycle.h"
#include "output/DdeSource.h"
#include "output/TargetApplication.h"
#include "platform/PlatformServices.h"
#include "triggers/TriggerKeyPoller.h"

class Dialogs;
class MainView;

// Everything that runs behind the main window, for the windowed and the headless mode alike:
// the controller, its main cycle, the D-Bus source, and the desktop services (keystrokes into
// the target window, hotkeys) where the session offers X11.
class ProgramSession {
public:
    ProgramSession(MainView& view, Dialogs& dialogs);

    MainController& controller() { return m_controller; }
    WindowList* windows() { return m_platform.windows.get(); }
    TriggerKeyPoller& triggerKeys() { return m_triggerKeys; }

    // The start-up; false when the program must end at once.
    bool start(const QString& configuration);

private:
    MainController m_controller;
    MainCycle m_cycle;
    DdeSource m_ddeSource;
    PlatformServices m_platform;
    TargetApplication m_target;
    TriggerKeyPoller m_triggerKeys;
};
