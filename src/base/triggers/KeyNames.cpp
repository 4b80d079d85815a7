#include "base/triggers/KeyNames.h"

namespace KeyNames {

QStringList firstKeyNames() {
    QStringList names = {QStringLiteral("CTRL"), QStringLiteral("ALT"), QStringLiteral("SHIFT"),
                         QStringLiteral("ESC"), QStringLiteral("PRINT")};
    names += thirdKeyNames();
    return names;
}

QStringList thirdKeyNames() {
    QStringList names;
    for (int key = 1; key <= 12; ++key) {
        names.append(u'F' + QString::number(key));
    }
    return names;
}

} // namespace KeyNames
