#include "base/triggers/TriggerKeys.h"

#include "base/config/Settings.h"
#include "base/interfaces/KeyState.h"

#include <array>

namespace {

std::array<int, 3> codesOf(const TriggerKeyRow& row) {
    return {row.keys[0].valueOr(0), row.keys[1].valueOr(0), row.keys[2].valueOr(0)};
}

// A row the polls can match: a first key, and a third only with a second.
bool polled(const std::array<int, 3>& codes) {
    return codes[0] != 0 && (codes[2] == 0 || codes[1] != 0);
}

bool hasKeyText(const TriggerKeyRow& keys) {
    return !keys.keys[0].text().isEmpty() || !keys.keys[1].text().isEmpty() || !keys.keys[2].text().isEmpty();
}

} // namespace

TriggerKeys::TriggerKeys(const Settings& settings, KeyState* keys) : m_settings(settings), m_keys(keys) {}

quint16 TriggerKeys::query(int code, bool& updated) {
    // The keyboard is read once per poll, and only when a key is asked for.
    if (!updated) {
        m_keys->update();
        updated = true;
    }
    return m_keys->query(code);
}

void TriggerKeys::watchRows() {
    std::vector<KeyState::Combination> rows;
    for (int row = 0; row < Settings::CommandRowCount; ++row) {
        const TriggerKeyRow& keys = m_settings.hotkeys[static_cast<std::size_t>(row)].keys;
        if (hasKeyText(keys) && polled(codesOf(keys))) {
            rows.push_back({KeyState::Combination::Kind::Hotkey, row, codesOf(keys)});
        }
    }
    for (int row = 0; row < Settings::CommandRowCount; ++row) {
        const std::array<int, 3> codes =
            codesOf(m_settings.deviceCommands[static_cast<std::size_t>(row)].keys);
        if (polled(codes)) {
            rows.push_back({KeyState::Combination::Kind::DeviceCommand, row, codes});
        }
    }
    if (!m_told || rows != m_watched) {
        m_watched = std::move(rows);
        m_told = true;
        m_keys->watch(m_watched);
    }
}

std::optional<MainButton> TriggerKeys::pollHotkeys() {
    if (!m_keys) {
        return std::nullopt;
    }
    watchRows();
    bool updated = false;
    std::optional<MainButton> result;
    for (int row = 0; row < Settings::CommandRowCount; ++row) {
        const TriggerKeyRow& keys = m_settings.hotkeys[static_cast<std::size_t>(row)].keys;
        if (!hasKeyText(keys)) {
            continue;
        }
        const auto [c1, c2, c3] = codesOf(keys);
        if (c1 == 0) {
            continue;
        }
        // Every key of a row is queried, so each one's pressed bit is consumed.
        bool active = false;
        if (c2 == 0 && c3 == 0) {
            active = query(c1, updated) != 0;
        } else if (c2 != 0 && c3 == 0) {
            const quint16 s1 = query(c1, updated);
            const quint16 s2 = query(c2, updated);
            active = s1 != 0 && s2 != 0;
        } else if (c2 != 0 && c3 != 0) {
            const quint16 s1 = query(c1, updated);
            const quint16 s2 = query(c2, updated);
            const quint16 s3 = query(c3, updated);
            active = s1 != 0 && s2 != 0 && s3 != 0;
        }
        if (active) {
            result = static_cast<MainButton>(row + 1);
        }
    }
    return result;
}

std::optional<int> TriggerKeys::pollDeviceCommandKeys() {
    if (!m_keys) {
        return std::nullopt;
    }
    watchRows();
    bool updated = false;
    std::optional<int> result;
    for (int row = 0; row < Settings::CommandRowCount; ++row) {
        const auto [c1, c2, c3] = codesOf(m_settings.deviceCommands[static_cast<std::size_t>(row)].keys);
        if (c1 == 0) {
            continue;
        }
        // Unlike the hotkeys, the states are combined bit by bit: a held key and a key that was
        // only pressed and released since the last poll have no bit in common.
        quint16 common = 0;
        if (c2 == 0 && c3 == 0) {
            common = query(c1, updated);
        } else if (c2 != 0 && c3 == 0) {
            const quint16 s1 = query(c1, updated);
            common = s1 & query(c2, updated);
        } else if (c2 != 0 && c3 != 0) {
            const quint16 s1 = query(c1, updated);
            const quint16 s2 = query(c2, updated);
            common = s1 & s2 & query(c3, updated);
        }
        if (common != 0) {
            result = row;
        }
    }
    return result;
}

void TriggerKeys::discardStalePresses() {
    pollHotkeys();
    pollDeviceCommandKeys();
}
