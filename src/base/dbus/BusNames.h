#pragma once

#include <QString>

// The names of the D-Bus interface that Kelvane offers and calls, and the bus's naming rules.
namespace BusNames {

inline const QString Interface = QStringLiteral("org.kelvane.Dde");
inline const QString StatisticsInterface = QStringLiteral("org.kelvane.Statistics");
inline const QString RefusedError = QStringLiteral("org.kelvane.Dde.Error.Refused");
inline const QString ObjectPath = QStringLiteral("/Kelvane");

// "org.kelvane." + the executable name, with characters a bus name cannot hold replaced.
QString serviceName();

// A unique name (":1.42") or a well-known one of at least two dot-separated elements that do
// not begin with a digit.
bool isValidBusName(const QString& name);
bool isValidObjectPath(const QString& path);

} // namespace BusNames
