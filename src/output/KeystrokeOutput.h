#pragma once

#include <QString>

// Delivery of an output text as keystrokes into the target application's window.
class KeystrokeOutput {
public:
    virtual ~KeystrokeOutput() = default;
    virtual void deliverKeystrokes(const QString& outputText) = 0;
};
