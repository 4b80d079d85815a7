#pragma once

#include "base/config/Settings.h"
#include "base/dbus/StatisticsAdaptor.h"
#include "base/dbus/ValuePublisher.h"
#include "base/delivery/Delivery.h"
#include "base/delivery/TargetWindow.h"
#include "base/session/ConnectionControl.h"
#include "base/session/CycleTimer.h"
#include "base/session/MainButtons.h"
#include "base/session/MainCycle.h"
#include "base/session/ProgramController.h"
#include "base/session/SessionState.h"
#include "base/session/StatusLine.h"
#include "base/statistics/ValueSeries.h"
#include "base/triggers/TriggerKeys.h"

class Dialogs;
class KeyState;
class Keyboard;
class MainView;
class WindowList;

// Everything that runs behind the main window, for a window and a headless session alike: the
// settings, the link, the main cycle, the buttons, the delivery, the D-Bus values, the series of
// values taken with its statistics, and the desktop services where the session has them. It
// builds the parts and connects them; each part gets only the others it uses.
class ProgramSession {
public:
    // The desktop services of the session; each is null where it has none.
    struct Desktop {
        Keyboard* keyboard = nullptr;
        WindowList* windows = nullptr;
        KeyState* keyState = nullptr;
    };

    ProgramSession(MainView& view, Dialogs& dialogs, const Desktop& desktop);

    // The start-up; false when the program must end at once.
    bool start(const QString& configuration);

    MainView& view() { return m_view; }
    Dialogs& dialogs() { return m_dialogs; }
    Settings& settings() { return m_settings; }
    SessionState& state() { return m_state; }
    StatusLine& status() { return m_status; }
    ConnectionControl& connection() { return m_connection; }
    CycleTimer& cycleTimer() { return m_cycleTimer; }
    MainButtons& buttons() { return m_buttons; }
    MainCycle& cycle() { return m_cycle; }
    ProgramController& controller() { return m_controller; }
    TargetWindow& targetWindow() { return m_targetWindow; }
    TriggerKeys& triggerKeys() { return m_triggerKeys; }
    ValuePublisher& publisher() { return m_publisher; }
    ValueSeries& series() { return m_series; }
    WindowList* windows() const { return m_desktop.windows; }

private:
    MainView& m_view;
    Dialogs& m_dialogs;
    Desktop m_desktop;
    Settings m_settings;
    SessionState m_state;
    StatusLine m_status;
    CycleTimer m_cycleTimer;
    ConnectionControl m_connection;
    MainButtons m_buttons;
    TargetWindow m_targetWindow;
    Delivery m_delivery;
    TriggerKeys m_triggerKeys;
    MainCycle m_cycle;
    ProgramController m_controller;
    ValuePublisher m_publisher;
    ValueSeries m_series;
    // A child of the publisher's object on the bus; it goes before the publisher.
    StatisticsAdaptor m_statistics;
};
