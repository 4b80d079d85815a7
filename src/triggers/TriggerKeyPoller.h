#pragma once

#include "triggers/TriggerKeys.h"

#include <QString>

class GlobalKeyState;
struct Settings;

// Matches the key combinations of the hotkey table (main window buttons) and of the device
// command table against the state of the PC's keys.
class TriggerKeyPoller : public TriggerKeys {
public:
    // Without a key state (no X display) nothing ever matches.
    TriggerKeyPoller(const Settings& settings, GlobalKeyState* keys);

    // The key code of a name for key 1 and key 2: 0 for an empty or unknown name.
    static int firstKeyCode(const QString& name);
    // The key code of a name for key 3: 0 for an empty name, 3 for any name but F1 to F12.
    static int thirdKeyCode(const QString& name);

    // Button 1 to 8 of the highest hotkey row whose keys are all active, -1 for none.
    int PollHotkeys() override;
    // The highest device command row whose key states have a bit in common, -1 for none.
    int PollDeviceCommandKeys() override;

    // Runs both polls and throws the results away, so that keys pressed while a modal window
    // held up the main cycle do not fire when it resumes.
    void discardStalePresses();

    bool available() const { return m_keys != nullptr; }

private:
    quint16 query(int code, bool& updated);

    const Settings& m_settings;
    GlobalKeyState* m_keys;
};
