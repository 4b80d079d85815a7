#pragma once

#include <QMetaType>

// Why a link to the device went away, for the status line to say in the user's language.
enum class LinkLoss {
    PeerClosed,    // the device or its server ended the connection
    Refused,       // nobody accepts connections at the address
    HostNotFound,  // the host name does not resolve
    DeviceRemoved, // the serial device or its adapter is gone
    Other,
};
Q_DECLARE_METATYPE(LinkLoss)
