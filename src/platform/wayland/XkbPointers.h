#pragma once

#include <xkbcommon/xkbcommon.h>

#include <memory>

// Owners for the reference-counted objects of xkbcommon.
struct XkbContextDeleter {
    void operator()(xkb_context* context) const { xkb_context_unref(context); }
};
struct XkbKeymapDeleter {
    void operator()(xkb_keymap* keymap) const { xkb_keymap_unref(keymap); }
};

using XkbContextOwner = std::unique_ptr<xkb_context, XkbContextDeleter>;
using XkbKeymapOwner = std::unique_ptr<xkb_keymap, XkbKeymapDeleter>;
