#pragma once

#include "UniqueFd.h"

#include <QString>

#include <memory>

// A pseudo-terminal pair in raw mode: the master, which the simulator reads and writes, and the
// slave device that a receiving program opens like a serial port.
class PtyDevice {
public:
    static std::unique_ptr<PtyDevice> open(QString* error);
    PtyDevice(UniqueFd master, UniqueFd slave, QString slavePath);

    int masterFd() const { return master_.get(); }
    const QString& slavePath() const { return slavePath_; }
    // Bytes written to the master that no program has read from the slave yet.
    int unread() const;

private:
    UniqueFd master_;
    // Held open by the simulator itself: while no slave is open the master reports a hang-up
    // (endlessly readable) and written data would be lost.
    UniqueFd slave_;
    QString slavePath_;
};
