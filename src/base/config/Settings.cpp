#include "base/config/Settings.h"

QString Settings::selectedApplicationName() const {
    const auto index = static_cast<std::size_t>(selectedApplication);
    return selectedApplication >= 0 && index < applications.size() ? applications[index].name : QString();
}

QString Settings::selectedProgramFile() const {
    const auto index = static_cast<std::size_t>(selectedApplication);
    return selectedApplication >= 0 && index < applications.size() ? applications[index].programFile
                                                                   : QString();
}

void Settings::selectApplicationForTarget() {
    // Entry 0 is not looked at.
    for (std::size_t entry = 1; entry < applications.size(); ++entry) {
        if (applications[entry].name.contains(target.text())) {
            selectedApplication = static_cast<int>(entry);
        }
    }
}
