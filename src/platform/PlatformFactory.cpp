#include "platform/PlatformFactory.h"

#include "base/config/ConfigKeys.h"
#include "base/files/IniFile.h"
#include "base/files/ProgramDirectory.h"
#include "base/texts/LanguageTable.h"
#include "platform/DesktopBackend.h"
#include "platform/portal/PortalKeyState.h"
#include "platform/portal/PortalKeyboard.h"
#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandKeyboard.h"
#include "platform/wayland/WaylandKeymap.h"
#include "platform/wayland/WaylandWindowList.h"
#include "platform/x11/X11Display.h"
#include "platform/x11/X11KeyState.h"
#include "platform/x11/X11Keyboard.h"
#include "platform/x11/X11WindowList.h"

#include <X11/XKBlib.h>
#include <X11/extensions/XTest.h>

PlatformServices PlatformFactory::create() {
    PlatformServices services;
    const QString setting =
        IniFile::read(ProgramDirectory::file(QStringLiteral("kelvane.ini")), ConfigKeys::DesktopSection,
                      ConfigKeys::DesktopBackendKey, QString());
    const std::optional<DesktopBackend> chosen = DesktopBackends::parse(setting);
    if (!chosen) {
        services.unknownBackendSetting = setting.trimmed();
    }
    const bool wayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    for (const DesktopBackend backend : DesktopBackends::candidates(
             chosen.value_or(DesktopBackend::Automatic), wayland, !qEnvironmentVariableIsEmpty("DISPLAY"))) {
        bool created = false;
        switch (backend) {
        case DesktopBackend::X11:
            created = createX11(services);
            break;
        case DesktopBackend::WaylandVirtualKeyboard:
            created = createWayland(services);
            break;
        case DesktopBackend::Portal:
            created = createPortal(services);
            break;
        case DesktopBackend::Automatic:
            break;
        }
        if (created) {
            return services;
        }
    }
    return services;
}

bool PlatformFactory::createWayland(PlatformServices& services) {
    std::shared_ptr<WaylandConnection> connection = WaylandConnection::open();
    if (!connection) {
        return false;
    }
    // The seat's keymap is the user's layout; a seat without a keyboard (a remote or headless
    // session) takes the XKB_DEFAULT_* environment, as the compositor itself does.
    WaylandKeymap layout = WaylandKeymap::fromText(connection->seatKeymap());
    if (!layout.isValid()) {
        layout = WaylandKeymap::fromNames({});
    }
    services.keyboard = WaylandKeyboard::create(connection, std::move(layout));
    if (!services.keyboard) {
        services.backend = PlatformServices::Backend::WaylandWithoutVirtualKeyboard;
        return false;
    }
    services.windows = WaylandWindowList::create(connection);
    services.backend = PlatformServices::Backend::WaylandVirtualKeyboard;
    if (auto keyState = PortalKeyState::create(QDBusConnection::sessionBus())) {
        static_cast<WaylandKeyboard*>(services.keyboard.get())
            ->setTypingObserver([state = keyState.get()](bool typing) { state->noteOwnTyping(typing); });
        services.keyState = std::move(keyState);
    }
    return true;
}

bool PlatformFactory::createPortal(PlatformServices& services) {
    const QString kelvaneIni = ProgramDirectory::file(QStringLiteral("kelvane.ini"));
    PortalKeyboard::TokenStore store{[kelvaneIni] {
                                         return IniFile::read(kelvaneIni, ConfigKeys::DesktopSection,
                                                              ConfigKeys::PortalTokenKey, QString());
                                     },
                                     [kelvaneIni](const QString& token) {
                                         IniFile::write(kelvaneIni, ConfigKeys::DesktopSection,
                                                        ConfigKeys::PortalTokenKey, token);
                                     }};
    auto keyboard = PortalKeyboard::create(QDBusConnection::sessionBus(), std::move(store));
    if (!keyboard) {
        return false;
    }
    if (auto keyState = PortalKeyState::create(QDBusConnection::sessionBus())) {
        keyboard->setTypingObserver([state = keyState.get()](bool typing) { state->noteOwnTyping(typing); });
        services.keyState = std::move(keyState);
    }
    services.keyboard = std::move(keyboard);
    services.backend = PlatformServices::Backend::Portal;
    return true;
}

bool PlatformFactory::createX11(PlatformServices& services) {
    if (!X11Display::reachable()) {
        return false;
    }
    auto display = std::make_shared<X11Display>();
    if (!display->isOpen()) {
        return false;
    }
    services.backend = PlatformServices::Backend::X11;
    services.throughXWayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
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
    return true;
}

QString PlatformFactory::statusText(const PlatformServices& services) {
    QStringList parts;
    if (!services.unknownBackendSetting.isEmpty()) {
        parts << languageText(TextKey::DesktopBackendUnknown).arg(services.unknownBackendSetting);
    }
    switch (services.backend) {
    case PlatformServices::Backend::X11:
        if (!services.available()) {
            parts << languageText(TextKey::DesktopServicesNeedDisplay);
        } else if (services.throughXWayland) {
            parts << languageText(TextKey::DesktopXWayland);
        }
        break;
    case PlatformServices::Backend::Unavailable:
        parts << languageText(TextKey::DesktopServicesNeedDisplay);
        break;
    case PlatformServices::Backend::WaylandVirtualKeyboard:
        parts << languageText(services.windows ? TextKey::DesktopWaylandKeyboard
                                               : TextKey::DesktopWaylandKeyboardWithoutWindowList);
        parts << languageText(services.keyState ? TextKey::DesktopHotkeysPortal : TextKey::DesktopHotkeysOff);
        break;
    case PlatformServices::Backend::Portal:
        parts << languageText(TextKey::DesktopPortal);
        parts << languageText(services.keyState ? TextKey::DesktopHotkeysPortal : TextKey::DesktopHotkeysOff);
        break;
    case PlatformServices::Backend::WaylandWithoutVirtualKeyboard:
        parts << languageText(TextKey::DesktopWaylandWithoutKeyboard);
        break;
    }
    return parts.join(QStringLiteral(" "));
}
