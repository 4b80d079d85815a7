#pragma once

#include <QStringList>

// The key names offered for hotkey and device command rows.
namespace KeyNames {

// First and second key: the modifiers and special keys, then F1 to F12.
QStringList firstKeyNames();
// Third key: F1 to F12.
QStringList thirdKeyNames();

} // namespace KeyNames
