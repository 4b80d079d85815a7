#pragma once

#include "base/config/Settings.h"

#include <optional>

// The line parameters of a serial port. A parameter that is not set keeps what the port has.
struct LineSettings {
    std::optional<int> baudRate;
    Parity parity = Parity::None;
    std::optional<int> dataBits;
    StopBits stopBits = StopBits::One;

    static LineSettings of(const Settings& settings) {
        return {settings.baudRate.value(), settings.parity.valueOr(Parity::None), settings.dataBits.value(),
                settings.stopBits.valueOr(StopBits::One)};
    }
    bool operator==(const LineSettings&) const = default;
};
