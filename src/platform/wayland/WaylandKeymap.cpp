#include "platform/wayland/WaylandKeymap.h"

#include <QByteArrayList>

#include <algorithm>
#include <bit>

namespace {

// The offset between XKB keycodes and the evdev codes the protocol sends.
constexpr std::uint32_t EvdevOffset = 8;
constexpr std::uint32_t UnicodeKeysymBase = 0x01000000;

XkbContextOwner newContext() {
    return XkbContextOwner(xkb_context_new(XKB_CONTEXT_NO_FLAGS));
}

// The Unicode keysym of a character, the form the text step uses for characters beyond Latin-1.
std::uint32_t unicodeKeysym(std::uint32_t keysym) {
    const std::uint32_t character = xkb_keysym_to_utf32(keysym);
    if (character < 0x100) {
        return 0;
    }
    return UnicodeKeysymBase | character;
}

// Fewer modifiers first, and Shift before Caps Lock for the same level: a locked Caps Lock would
// stay with the receiving application's state.
bool preferredModifiers(xkb_mod_mask_t a, xkb_mod_mask_t b, xkb_mod_index_t lock) {
    const int bitsA = std::popcount(a);
    const int bitsB = std::popcount(b);
    if (bitsA != bitsB) {
        return bitsA < bitsB;
    }
    const bool lockA = lock != XKB_MOD_INVALID && (a & (1u << lock)) != 0;
    const bool lockB = lock != XKB_MOD_INVALID && (b & (1u << lock)) != 0;
    return !lockA && lockB;
}

} // namespace

WaylandKeymap WaylandKeymap::fromText(const QByteArray& text) {
    WaylandKeymap keymap;
    keymap.m_context = newContext();
    if (!keymap.m_context || text.isEmpty()) {
        return keymap;
    }
    keymap.m_keymap.reset(xkb_keymap_new_from_buffer(keymap.m_context.get(), text.constData(),
                                                     static_cast<size_t>(text.size()),
                                                     XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS));
    keymap.index();
    return keymap;
}

WaylandKeymap WaylandKeymap::fromNames(const QByteArray& layout, const QByteArray& variant) {
    WaylandKeymap keymap;
    keymap.m_context = newContext();
    if (!keymap.m_context) {
        return keymap;
    }
    xkb_rule_names names{};
    names.layout = layout.isEmpty() ? nullptr : layout.constData();
    names.variant = variant.isEmpty() ? nullptr : variant.constData();
    keymap.m_keymap.reset(
        xkb_keymap_new_from_names(keymap.m_context.get(), &names, XKB_KEYMAP_COMPILE_NO_FLAGS));
    keymap.index();
    return keymap;
}

void WaylandKeymap::index() {
    m_table.clear();
    m_emptyKeys.clear();
    m_text.clear();
    if (!m_keymap) {
        return;
    }
    char* text = xkb_keymap_get_as_string(m_keymap.get(), XKB_KEYMAP_FORMAT_TEXT_V1);
    if (!text) {
        m_keymap.reset();
        return;
    }
    m_text = QByteArray(text);
    std::free(text);

    xkb_keymap* keymap = m_keymap.get();
    const xkb_mod_index_t lock = xkb_keymap_mod_get_index(keymap, XKB_MOD_NAME_CAPS);
    const auto consider = [this, lock](std::uint32_t keysym, const Placement& candidate) {
        auto [it, inserted] = m_table.try_emplace(keysym, candidate);
        if (inserted) {
            return;
        }
        // The first layout wins, then the fewest modifiers; else the lowest key, found first.
        Placement& current = it->second;
        if (candidate.layout < current.layout ||
            (candidate.layout == current.layout &&
             preferredModifiers(candidate.modifiers, current.modifiers, lock))) {
            current = candidate;
        }
    };
    const xkb_keycode_t min = xkb_keymap_min_keycode(keymap);
    const xkb_keycode_t max = xkb_keymap_max_keycode(keymap);
    for (xkb_keycode_t keycode = std::max<xkb_keycode_t>(min, EvdevOffset); keycode <= max; ++keycode) {
        const xkb_layout_index_t layouts = xkb_keymap_num_layouts_for_key(keymap, keycode);
        if (layouts == 0) {
            if (xkb_keymap_key_get_name(keymap, keycode) != nullptr) {
                m_emptyKeys.push_back(keycode);
            }
            continue;
        }
        for (xkb_layout_index_t layout = 0; layout < layouts; ++layout) {
            const xkb_level_index_t levels = xkb_keymap_num_levels_for_key(keymap, keycode, layout);
            for (xkb_level_index_t level = 0; level < levels; ++level) {
                const xkb_keysym_t* syms = nullptr;
                if (xkb_keymap_key_get_syms_by_level(keymap, keycode, layout, level, &syms) != 1) {
                    continue;
                }
                xkb_mod_mask_t masks[16];
                const size_t count = xkb_keymap_key_get_mods_for_level(keymap, keycode, layout, level, masks,
                                                                       std::size(masks));
                if (count == 0) {
                    continue;
                }
                xkb_mod_mask_t best = masks[0];
                for (size_t i = 1; i < count; ++i) {
                    if (preferredModifiers(masks[i], best, lock)) {
                        best = masks[i];
                    }
                }
                const Placement placement{keycode - EvdevOffset, layout, best};
                consider(syms[0], placement);
                if (const std::uint32_t unicode = unicodeKeysym(syms[0])) {
                    consider(unicode, placement);
                }
            }
        }
    }
}

std::optional<WaylandKeymap::Placement> WaylandKeymap::find(std::uint32_t keysym) const {
    const auto it = m_table.find(keysym);
    if (it == m_table.end()) {
        return std::nullopt;
    }
    return it->second;
}

bool WaylandKeymap::hasAll(const std::vector<std::uint32_t>& keysyms) const {
    return std::all_of(keysyms.begin(), keysyms.end(),
                       [this](std::uint32_t keysym) { return m_table.contains(keysym); });
}

WaylandKeymap WaylandKeymap::withKeysyms(const std::vector<std::uint32_t>& keysyms) const {
    QByteArrayList added;
    std::vector<std::uint32_t> pending;
    std::size_t nextKey = 0;
    for (const std::uint32_t keysym : keysyms) {
        if (m_table.contains(keysym) || std::find(pending.begin(), pending.end(), keysym) != pending.end()) {
            continue;
        }
        char name[64];
        if (nextKey >= m_emptyKeys.size() || xkb_keysym_get_name(keysym, name, sizeof name) <= 0) {
            continue;
        }
        const char* keyName = xkb_keymap_key_get_name(m_keymap.get(), m_emptyKeys[nextKey++]);
        // A key of one level: a held Shift cannot turn it into another keysym.
        added << QByteArray("    key <") + keyName + "> { [ " + name + " ] };\n";
        pending.push_back(keysym);
    }
    if (added.isEmpty()) {
        WaylandKeymap copy = fromText(m_text);
        return copy;
    }
    // The symbols section is the last one of the text xkbcommon writes: the new keys go before
    // its closing brace.
    QByteArray text = m_text;
    const qsizetype symbols = text.indexOf("xkb_symbols");
    const qsizetype end = symbols < 0 ? -1 : text.indexOf("\n};", symbols);
    if (end < 0) {
        return fromText(m_text);
    }
    text.insert(end + 1, added.join());
    WaylandKeymap extended = fromText(text);
    extended.m_added = static_cast<int>(added.size());
    return extended;
}
