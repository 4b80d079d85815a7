#pragma once

#include <QString>

// One kind of target that accepted values go to.
class DeliverySink {
public:
    virtual ~DeliverySink() = default;

    // Delivers one output text; false when the target did not take it.
    virtual bool deliver(const QString& outputText) = 0;
};
