#include "platform/x11/X11KeyState.h"

// Qt before Xlib: Xlib defines macros (Bool, Status) that Qt headers refuse.
#include <QSocketNotifier>

#include "platform/x11/X11Display.h"
#include "platform/x11/X11ErrorTrap.h"
#include "platform/x11/X11Memory.h"

#include <X11/extensions/XInput2.h>
#include <X11/keysym.h>

#include <utility>

namespace {

// The Windows virtual-key codes that key names can give, with the keysyms that stand for them.
const std::vector<std::pair<int, std::vector<KeySym>>>& virtualKeySyms() {
    static const std::vector<std::pair<int, std::vector<KeySym>>> table = [] {
        std::vector<std::pair<int, std::vector<KeySym>>> t = {
            {3, {XK_Cancel}},
            {16, {XK_Shift_L, XK_Shift_R}},
            {17, {XK_Control_L, XK_Control_R}},
            {18, {XK_Alt_L, XK_Alt_R}},
            {27, {XK_Escape}},
            {44, {XK_Print}},
        };
        for (int key = 0; key < 12; ++key) {
            t.push_back({112 + key, {static_cast<KeySym>(XK_F1 + key)}});
        }
        return t;
    }();
    return table;
}

} // namespace

X11KeyState::X11KeyState(std::unique_ptr<X11Display> display) : m_display(std::move(display)) {
    Display* d = m_display->get();
    if (!d) {
        return;
    }
    X11ErrorTrap trap(d);
    int event = 0;
    int error = 0;
    int opcode = 0;
    if (XQueryExtension(d, "XInputExtension", &opcode, &event, &error)) {
        int major = 2;
        int minor = 2;
        if (XIQueryVersion(d, &major, &minor) == Success) {
            unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
            XISetMask(bits, XI_RawKeyPress);
            XIEventMask mask{XIAllMasterDevices, static_cast<int>(sizeof bits), bits};
            XISelectEvents(d, DefaultRootWindow(d), &mask, 1);
            m_xiOpcode = opcode;
            int count = 0;
            if (XIDeviceInfo* devices = XIQueryDevice(d, XIAllDevices, &count)) {
                for (int i = 0; i < count; ++i) {
                    if (devices[i].use == XISlaveKeyboard && QByteArray(devices[i].name).contains("XTEST")) {
                        m_xtestDevices.insert(devices[i].deviceid);
                    }
                }
                XIFreeDeviceInfo(devices);
            }
        }
    }
    int xkbOpcode = 0;
    int xkbError = 0;
    int xkbMajor = XkbMajorVersion;
    int xkbMinor = XkbMinorVersion;
    if (XkbQueryExtension(d, &xkbOpcode, &m_xkbEventBase, &xkbError, &xkbMajor, &xkbMinor)) {
        const unsigned long changes = XkbNewKeyboardNotifyMask | XkbMapNotifyMask;
        XkbSelectEvents(d, XkbUseCoreKbd, changes, changes);
    } else {
        m_xkbEventBase = -1;
    }
    if (trap.sync() != 0) {
        m_xiOpcode = -1;
    }
    rebuildKeyTable();
    XQueryKeymap(d, m_down.data());
    readEvents();
    m_pressed.clear();

    m_notifier = std::make_unique<QSocketNotifier>(ConnectionNumber(d), QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(),
                     [this] { readEvents(); });
}

X11KeyState::~X11KeyState() {
    // The notifier must not outlive the connection it watches.
    m_notifier.reset();
}

void X11KeyState::rebuildKeyTable() {
    Display* d = m_display->get();
    for (auto& keys : m_virtualKeys) {
        keys.clear();
    }
    int minKeycode = 0;
    int maxKeycode = 0;
    XDisplayKeycodes(d, &minKeycode, &maxKeycode);
    int perKeycode = 0;
    XFreePtr<KeySym> keysyms(
        XGetKeyboardMapping(d, static_cast<KeyCode>(minKeycode), maxKeycode - minKeycode + 1, &perKeycode));
    if (!keysyms || perKeycode < 1) {
        return;
    }
    for (int keycode = minKeycode; keycode <= maxKeycode && keycode < 256; ++keycode) {
        // The key's first level in the first group names it, as the key caps do.
        const KeySym first = keysyms.get()[(keycode - minKeycode) * perKeycode];
        for (const auto& [virtualKey, symbols] : virtualKeySyms()) {
            for (const KeySym symbol : symbols) {
                if (symbol == first) {
                    m_virtualKeys[static_cast<std::size_t>(keycode)].push_back(virtualKey);
                }
            }
        }
    }
}

void X11KeyState::readEvents() {
    Display* d = m_display->get();
    bool mappingChanged = false;
    // XPending reads only what has arrived; it never waits.
    while (XPending(d) > 0) {
        XEvent event;
        XNextEvent(d, &event);
        if (event.type == GenericEvent && event.xcookie.extension == m_xiOpcode) {
            XEventDataOwner data(d, &event.xcookie);
            if (data.hasData() && event.xcookie.evtype == XI_RawKeyPress) {
                const auto* raw = static_cast<const XIRawEvent*>(event.xcookie.data);
                const bool inRange = raw->detail >= 0 && raw->detail < 256;
                int* own = inRange ? &m_ownPresses[static_cast<std::size_t>(raw->detail)] : nullptr;
                if (own && *own > 0 && m_xtestDevices.contains(raw->sourceid)) {
                    --*own;
                } else if (inRange) {
                    for (const int virtualKey : m_virtualKeys[static_cast<std::size_t>(raw->detail)]) {
                        m_pressed.insert(virtualKey);
                    }
                }
            }
        } else if (event.type == MappingNotify) {
            XRefreshKeyboardMapping(&event.xmapping);
            mappingChanged = true;
        } else if (m_xkbEventBase >= 0 && event.type == m_xkbEventBase) {
            mappingChanged = true;
        }
    }
    if (mappingChanged) {
        rebuildKeyTable();
    }
}

bool X11KeyState::isDown(int virtualKey, const std::array<char, 32>& keys) const {
    for (std::size_t keycode = 0; keycode < m_virtualKeys.size(); ++keycode) {
        for (const int key : m_virtualKeys[keycode]) {
            if (key == virtualKey && (keys[keycode / 8] & (1 << (keycode % 8)))) {
                return true;
            }
        }
    }
    return false;
}

void X11KeyState::update() {
    Display* d = m_display->get();
    if (!d) {
        return;
    }
    const std::array<char, 32> before = m_down;
    // A round trip: every key event the server handled before it has reached this connection.
    XQueryKeymap(d, m_down.data());
    readEvents();
    if (m_xiOpcode < 0) {
        // Without raw events, a key counts as pressed when it went down between two updates.
        for (const auto& entry : virtualKeySyms()) {
            if (!isDown(entry.first, before) && isDown(entry.first, m_down)) {
                m_pressed.insert(entry.first);
            }
        }
    }
}

void X11KeyState::expectOwnPress(unsigned keycode) {
    if (m_xiOpcode >= 0 && keycode < m_ownPresses.size()) {
        ++m_ownPresses[keycode];
    }
}

quint16 X11KeyState::query(int virtualKey) {
    quint16 state = isDown(virtualKey, m_down) ? DownBit : 0;
    if (m_pressed.remove(virtualKey)) {
        state |= PressedBit;
    }
    return state;
}
