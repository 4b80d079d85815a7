#include "shell/SetupAssistant.h"

#include "core/MainController.h"
#include "shell/select_settings.h"
#include "shell/select_target.h"

void SetupAssistant::run(MainController& controller, WindowList* windows, QWidget* parent) {
    // The chain changes the port and the record layout that a running cycle would be reading.
    controller.stopCycleAndShowOffline();
    showPortSettings(controller, windows, parent, {});
}

void SetupAssistant::portMenu(MainController& controller, WindowList* windows, QWidget* parent) {
    controller.stopCycleAndShowOffline();
    showPortSettings(controller, windows, parent, QStringLiteral("mainform"));
}

void SetupAssistant::showPortSettings(MainController& controller, WindowList* windows, QWidget* parent,
                                      const QString& callerTag) {
    select_settings window(controller, windows, parent);
    window.setTag(callerTag);
    window.exec();
}

void SetupAssistant::showTarget(MainController& controller, WindowList* windows, QWidget* parent,
                                const QString& callerTag) {
    select_target window(controller, windows, parent);
    window.setTag(callerTag);
    window.exec();
}
