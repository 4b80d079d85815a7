#pragma once

#include <QString>

#include <array>

// The shortcut trigger the desktop is asked for, for up to three Windows virtual-key codes (0
// for none): modifiers first, each once, then the key by its XKB keysym name, as "CTRL+SHIFT+F1"
// or "ALT+Escape". Empty when the keys make no trigger: no key besides modifiers, two such keys, or
// a code without a name; the user then picks the trigger in the desktop's settings.
namespace PortalTrigger {

QString of(const std::array<int, 3>& virtualKeys);

} // namespace PortalTrigger
