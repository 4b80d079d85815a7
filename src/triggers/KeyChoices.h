#pragma once

#include <QStringList>

class QComboBox;

// The key names offered for hotkey and device command combinations.
namespace KeyChoices {

// First and second key: the modifiers and special keys, then F1 to F12.
QStringList firstKeyNames();
// Third key: F1 to F12.
QStringList thirdKeyNames();
// Shows a key name in a selection box; a name that is not in the list is kept as typed.
void showKeyName(QComboBox* box, const QString& name);

} // namespace KeyChoices
