#include "platform/DesktopBackend.h"

std::optional<DesktopBackend> DesktopBackends::parse(const QString& value) {
    const QString name = value.trimmed().toLower();
    if (name.isEmpty() || name == QLatin1String("auto")) {
        return DesktopBackend::Automatic;
    }
    if (name == QLatin1String("x11")) {
        return DesktopBackend::X11;
    }
    if (name == QLatin1String("wayland")) {
        return DesktopBackend::WaylandVirtualKeyboard;
    }
    if (name == QLatin1String("portal")) {
        return DesktopBackend::Portal;
    }
    return std::nullopt;
}

std::vector<DesktopBackend> DesktopBackends::candidates(DesktopBackend setting, bool waylandDisplay,
                                                        bool x11Display) {
    if (setting != DesktopBackend::Automatic) {
        return {setting};
    }
    std::vector<DesktopBackend> order;
    if (waylandDisplay) {
        order.push_back(DesktopBackend::WaylandVirtualKeyboard);
        order.push_back(DesktopBackend::Portal);
    }
    if (x11Display) {
        order.push_back(DesktopBackend::X11);
    }
    return order;
}
