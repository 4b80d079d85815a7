#include "platform/x11/X11Keymap.h"

#include <X11/keysym.h>

#include <algorithm>
#include <bit>

namespace {

bool isLevelShift(KeySym keysym) {
    return keysym == XK_Shift_L || keysym == XK_Shift_R || keysym == XK_ISO_Level3_Shift ||
           keysym == XK_ISO_Level5_Shift;
}

// The modifiers a key's first action sets, 0 when it sets none (locks and group switches
// included: pressing them for a moment would not give a plain modifier).
unsigned modifiersSetBy(XkbDescPtr xkb, unsigned keycode) {
    if (!XkbKeyHasActions(xkb, keycode)) {
        return 0;
    }
    const XkbAction* action = XkbKeyActionEntry(xkb, keycode, 0, 0);
    if (action->type != XkbSA_SetMods) {
        return 0;
    }
    const XkbModAction& mods = action->mods;
    if (mods.flags & XkbSA_UseModMapMods) {
        return xkb->map->modmap[keycode];
    }
    return mods.mask != 0 ? mods.mask : mods.real_mods;
}

} // namespace

X11Keymap::X11Keymap(Display* display) {
    m_xkb.reset(XkbGetMap(display, XkbAllMapComponentsMask, XkbUseCoreKbd));
    if (!m_xkb) {
        return;
    }
    XkbStateRec state{};
    if (XkbGetState(display, XkbUseCoreKbd, &state) == Success) {
        m_group = state.group;
        m_activeModifiers = state.mods;
        m_lockedModifiers = state.locked_mods;
    }
    findModifierKeys();
    buildTable();
}

std::uint32_t X11Keymap::canonical(std::uint32_t keysym) {
    if (keysym >= 0x01000000 && keysym <= 0x010000ff) {
        const std::uint32_t character = keysym - 0x01000000;
        if ((character >= 0x20 && character <= 0x7e) || character >= 0xa0) {
            return character;
        }
    }
    if (keysym == 0x010020ac) {
        return XK_EuroSign;
    }
    return keysym;
}

std::uint32_t X11Keymap::firstKeysym(unsigned keycode) const {
    if (!m_xkb || keycode < m_xkb->min_key_code || keycode > m_xkb->max_key_code ||
        XkbKeyNumGroups(m_xkb.get(), keycode) == 0) {
        return 0;
    }
    return static_cast<std::uint32_t>(XkbKeySymEntry(m_xkb.get(), keycode, 0, 0));
}

void X11Keymap::findModifierKeys() {
    XkbDescPtr xkb = m_xkb.get();
    for (unsigned keycode = xkb->min_key_code; keycode <= xkb->max_key_code; ++keycode) {
        if (XkbKeyNumGroups(xkb, keycode) == 0) {
            continue;
        }
        const unsigned mods = modifiersSetBy(xkb, keycode);
        if (mods == 0) {
            continue;
        }
        const KeySym first = XkbKeySymEntry(xkb, keycode, 0, 0);
        for (unsigned bit = 0; bit < 8; ++bit) {
            if ((mods & (1u << bit)) == 0) {
                continue;
            }
            // The left key of a pair, as a user would press it; a later key does not replace it.
            if (m_modifierKey[bit] == 0) {
                m_modifierKey[bit] = keycode;
            }
            if (isLevelShift(first)) {
                m_typingModifiers |= 1u << bit;
            }
        }
    }
}

void X11Keymap::buildTable() {
    XkbDescPtr xkb = m_xkb.get();
    unsigned groups = 1;
    for (unsigned keycode = xkb->min_key_code; keycode <= xkb->max_key_code; ++keycode) {
        const unsigned keyGroups = XkbKeyNumGroups(xkb, keycode);
        if (keyGroups == 0) {
            m_unused.push_back(keycode);
        }
        groups = std::max(groups, keyGroups);
    }

    std::vector<unsigned> groupOrder{m_group};
    for (unsigned group = 0; group < groups; ++group) {
        if (group != m_group) {
            groupOrder.push_back(group);
        }
    }
    // Every combination of the level modifiers, the fewest first.
    std::vector<unsigned> combinations;
    for (unsigned subset = m_typingModifiers;; subset = (subset - 1) & m_typingModifiers) {
        combinations.push_back(subset);
        if (subset == 0) {
            break;
        }
    }
    std::stable_sort(combinations.begin(), combinations.end(),
                     [](unsigned a, unsigned b) { return std::popcount(a) < std::popcount(b); });

    for (const unsigned group : groupOrder) {
        for (const unsigned mods : combinations) {
            for (unsigned keycode = xkb->min_key_code; keycode <= xkb->max_key_code; ++keycode) {
                if (XkbKeyNumGroups(xkb, keycode) == 0) {
                    continue;
                }
                unsigned consumed = 0;
                KeySym keysym = NoSymbol;
                const unsigned stateMods = (m_activeModifiers | mods) & 0xff;
                if (!XkbTranslateKeyCode(xkb, static_cast<KeyCode>(keycode),
                                         XkbBuildCoreState(stateMods, group), &consumed, &keysym) ||
                    keysym == NoSymbol) {
                    continue;
                }
                m_table.try_emplace(canonical(static_cast<std::uint32_t>(keysym)),
                                    Placement{keycode, group, mods});
            }
        }
    }
}

std::optional<X11Keymap::Placement> X11Keymap::find(std::uint32_t keysym) const {
    const auto it = m_table.find(canonical(keysym));
    if (it == m_table.end()) {
        return std::nullopt;
    }
    return it->second;
}

std::optional<std::vector<unsigned>> X11Keymap::modifierKeys(unsigned modifiers) const {
    std::vector<unsigned> keys;
    for (unsigned bit = 0; bit < 8; ++bit) {
        if ((modifiers & (1u << bit)) == 0) {
            continue;
        }
        if (m_modifierKey[bit] == 0) {
            return std::nullopt;
        }
        keys.push_back(m_modifierKey[bit]);
    }
    return keys;
}
