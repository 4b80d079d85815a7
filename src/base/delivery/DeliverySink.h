#pragma once

#include <QString>

// A live target that accepted values go to as they come, keystrokes into a window: it takes a
// value now or never, so nothing of it waits in the outbox.
class DeliverySink {
public:
    virtual ~DeliverySink() = default;

    // Delivers one output text; false when the target did not take it.
    virtual bool deliver(const QString& outputText) = 0;
};
