#pragma once

// The PC keys that press main window buttons (hotkeys) or send device commands, polled once
// per main cycle.
class TriggerKeys {
public:
    virtual ~TriggerKeys() = default;
    // The button index of a pressed hotkey combination, -1 for none.
    virtual int PollHotkeys() = 0;
    // The device command row of a pressed key combination, -1 for none.
    virtual int PollDeviceCommandKeys() = 0;
};
