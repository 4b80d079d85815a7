#include "platform/PlatformFactory.h"

#include "base/texts/LanguageTable.h"
#include "platform/x11/X11Display.h"
#include "platform/x11/X11KeyState.h"
#include "platform/x11/X11Keyboard.h"
#include "platform/x11/X11WindowList.h"

#include <X11/XKBlib.h>
#include <X11/extensions/XTest.h>

PlatformServices PlatformFactory::create() {
    PlatformServices services;
    if (!X11Display::reachable()) {
        return services;
    }
    auto display = std::make_shared<X11Display>();
    if (!display->isOpen()) {
        return services;
    }
    int event = 0;
    int error = 0;
    int major = 0;
    int minor = 0;
    int opcode = 0;
    int xkbMajor = XkbMajorVersion;
    int xkbMinor = XkbMinorVersion;
    if (XTestQueryExtension(display->get(), &event, &error, &major, &minor) &&
        XkbQueryExtension(display->get(), &opcode, &event, &error, &xkbMajor, &xkbMinor)) {
        services.keyboard = std::make_unique<X11Keyboard>(display);
    }
    services.windows = std::make_unique<X11WindowList>(display);
    // The key events come on a connection of their own, so that reading them never takes the
    // replies the other services wait for.
    auto keyDisplay = std::make_unique<X11Display>();
    if (keyDisplay->isOpen()) {
        auto keyState = std::make_unique<X11KeyState>(std::move(keyDisplay));
        if (auto* keyboard = static_cast<X11Keyboard*>(services.keyboard.get())) {
            keyboard->setPressObserver(
                [state = keyState.get()](unsigned keycode) { state->expectOwnPress(keycode); });
        }
        services.keyState = std::move(keyState);
    }
    return services;
}

QString PlatformFactory::unavailableText() {
    return languageText(TextKey::DesktopServicesNeedDisplay);
}
