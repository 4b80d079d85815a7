#include "gui/ProgramIcon.h"

namespace ProgramIcon {

QIcon icon() {
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        icon.addFile(QStringLiteral(":/icons/%1x%1/org.kelvane.Kelvane.png").arg(size), QSize(size, size));
    }
    return icon;
}

} // namespace ProgramIcon
