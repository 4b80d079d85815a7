#include "platform/portal/PortalTrigger.h"

#include <QStringList>

namespace {

enum Modifier { Ctrl = 1, Alt = 2, Shift = 4 };

int modifierOf(int code) {
    switch (code) {
    case 16:
        return Shift;
    case 17:
        return Ctrl;
    case 18:
        return Alt;
    default:
        return 0;
    }
}

// The keys a hotkey or device command row can name besides the modifiers.
QString keyName(int code) {
    if (code >= 112 && code <= 123) {
        return QStringLiteral("F%1").arg(code - 111);
    }
    switch (code) {
    case 27:
        return QStringLiteral("Escape");
    case 44:
        return QStringLiteral("Print");
    default:
        return {};
    }
}

} // namespace

QString PortalTrigger::of(const std::array<int, 3>& virtualKeys) {
    int modifiers = 0;
    QString key;
    for (const int code : virtualKeys) {
        if (code == 0) {
            continue;
        }
        if (const int modifier = modifierOf(code)) {
            modifiers |= modifier;
            continue;
        }
        const QString name = keyName(code);
        if (name.isEmpty() || !key.isEmpty()) {
            return {};
        }
        key = name;
    }
    if (key.isEmpty()) {
        return {};
    }
    QStringList parts;
    if (modifiers & Ctrl) {
        parts << QStringLiteral("CTRL");
    }
    if (modifiers & Alt) {
        parts << QStringLiteral("ALT");
    }
    if (modifiers & Shift) {
        parts << QStringLiteral("SHIFT");
    }
    parts << key;
    return parts.join(u'+');
}
