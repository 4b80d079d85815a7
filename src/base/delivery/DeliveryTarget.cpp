#include "base/delivery/DeliveryTarget.h"

#include "base/delivery/TargetPath.h"

#include <QUrl>

QString DeliveryTarget::displayName() const {
    if (isDatabaseServerUrl(location)) {
        return QUrl(location).toDisplayString(QUrl::RemovePassword);
    }
    return location;
}
