#pragma once

#include <QIcon>

// The program's icon, the same one the desktop entry shows, in every size it is drawn in.
namespace ProgramIcon {

QIcon icon();

} // namespace ProgramIcon
