#pragma once

#include "base/interfaces/KeyState.h"
#include "base/interfaces/MainButton.h"

#include <optional>
#include <vector>

struct Settings;

// Matches the PC keys of the hotkey rows (which press main window buttons) and of the device
// command rows against the keyboard, once per main cycle.
class TriggerKeys {
public:
    // Without a key state (no display, or a Wayland desktop without the GlobalShortcuts portal)
    // nothing ever matches.
    TriggerKeys(const Settings& settings, KeyState* keys);

    // The button of the highest hotkey row whose keys are all active.
    std::optional<MainButton> pollHotkeys();
    // The highest device command row whose key states have a bit in common.
    std::optional<int> pollDeviceCommandKeys();

    // Runs both polls and throws the results away, so that keys pressed while a modal window
    // held up the main cycle do not fire when it resumes.
    void discardStalePresses();

private:
    quint16 query(int code, bool& updated);
    // Tells the key state the rows' combinations when they differ from the last ones told.
    void watchRows();

    const Settings& m_settings;
    KeyState* m_keys;
    std::vector<KeyState::Combination> m_watched;
    bool m_told = false;
};
