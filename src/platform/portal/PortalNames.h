#pragma once

#include <QString>

// The bus names of the XDG desktop portal.
namespace PortalNames {

inline const QString Service = QStringLiteral("org.freedesktop.portal.Desktop");
inline const QString Path = QStringLiteral("/org/freedesktop/portal/desktop");
inline const QString RequestInterface = QStringLiteral("org.freedesktop.portal.Request");
inline const QString SessionInterface = QStringLiteral("org.freedesktop.portal.Session");
inline const QString RemoteDesktopInterface = QStringLiteral("org.freedesktop.portal.RemoteDesktop");
inline const QString GlobalShortcutsInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");

} // namespace PortalNames
