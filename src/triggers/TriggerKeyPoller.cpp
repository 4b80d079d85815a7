#include "triggers/TriggerKeyPoller.h"

#include "platform/GlobalKeyState.h"
#include "settings/Settings.h"

namespace {

constexpr int FirstFunctionKey = 112;
// Windows' code of Ctrl+Break: what an unknown third key name is polled as.
constexpr int UnknownThirdKey = 3;

int functionKeyCode(const QString& name) {
    if (name.size() < 2 || name.size() > 3 || name.at(0) != u'F') {
        return 0;
    }
    for (int key = 1; key <= 12; ++key) {
        if (name == u'F' + QString::number(key)) {
            return FirstFunctionKey + key - 1;
        }
    }
    return 0;
}

} // namespace

TriggerKeyPoller::TriggerKeyPoller(const Settings& settings, GlobalKeyState* keys)
    : m_settings(settings), m_keys(keys) {}

int TriggerKeyPoller::firstKeyCode(const QString& name) {
    if (name == QLatin1String("CTRL")) {
        return 17;
    }
    if (name == QLatin1String("ALT")) {
        return 18;
    }
    if (name == QLatin1String("SHIFT")) {
        return 16;
    }
    if (name == QLatin1String("ESC")) {
        return 27;
    }
    if (name == QLatin1String("PRINT")) {
        return 44;
    }
    return functionKeyCode(name);
}

int TriggerKeyPoller::thirdKeyCode(const QString& name) {
    if (name.isEmpty()) {
        return 0;
    }
    const int code = functionKeyCode(name);
    return code != 0 ? code : UnknownThirdKey;
}

quint16 TriggerKeyPoller::query(int code, bool& updated) {
    // The keyboard is read once per poll, and only when a key is asked for.
    if (!updated) {
        m_keys->update();
        updated = true;
    }
    return m_keys->GetAsyncKeyState(code);
}

int TriggerKeyPoller::PollHotkeys() {
    if (!m_keys) {
        return -1;
    }
    bool updated = false;
    int result = -1;
    for (int row = 0; row < Settings::RowCount; ++row) {
        const auto& cells = m_settings.Hotkeys[row];
        if (cells[1].isEmpty() && cells[2].isEmpty() && cells[3].isEmpty()) {
            continue;
        }
        const int c1 = firstKeyCode(cells[1]);
        const int c2 = firstKeyCode(cells[2]);
        const int c3 = thirdKeyCode(cells[3]);
        if (c1 == 0) {
            continue;
        }
        // Every key of a row is queried, so each one's pressed bit is consumed.
        if (c2 == 0 && c3 == 0) {
            if (query(c1, updated) != 0) {
                result = row + 1;
            }
        } else if (c2 != 0 && c3 == 0) {
            const quint16 s1 = query(c1, updated);
            const quint16 s2 = query(c2, updated);
            if (s1 != 0 && s2 != 0) {
                result = row + 1;
            }
        } else if (c2 != 0 && c3 != 0) {
            const quint16 s1 = query(c1, updated);
            const quint16 s2 = query(c2, updated);
            const quint16 s3 = query(c3, updated);
            if (s1 != 0 && s2 != 0 && s3 != 0) {
                result = row + 1;
            }
        }
    }
    return result;
}

int TriggerKeyPoller::PollDeviceCommandKeys() {
    if (!m_keys) {
        return -1;
    }
    bool updated = false;
    int result = -1;
    for (int row = 0; row < Settings::RowCount; ++row) {
        const auto& cells = m_settings.Action[row];
        const int c1 = firstKeyCode(cells[1]);
        const int c2 = firstKeyCode(cells[2]);
        const int c3 = thirdKeyCode(cells[3]);
        if (c1 == 0) {
            continue;
        }
        // Unlike the hotkeys, the states are combined bit by bit: a held key and a key that was
        // only pressed and released since the last poll have no bit in common.
        if (c2 == 0 && c3 == 0) {
            if (query(c1, updated) != 0) {
                result = row;
            }
        } else if (c2 != 0 && c3 == 0) {
            const quint16 s1 = query(c1, updated);
            const quint16 s2 = query(c2, updated);
            if ((s1 & s2) != 0) {
                result = row;
            }
        } else if (c2 != 0 && c3 != 0) {
            const quint16 s1 = query(c1, updated);
            const quint16 s2 = query(c2, updated);
            const quint16 s3 = query(c3, updated);
            if ((s1 & s2 & s3) != 0) {
                result = row;
            }
        }
    }
    return result;
}

void TriggerKeyPoller::discardStalePresses() {
    PollHotkeys();
    PollDeviceCommandKeys();
}
