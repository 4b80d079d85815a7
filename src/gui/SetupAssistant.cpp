#include "gui/SetupAssistant.h"

#include "base/delivery/OutputTemplate.h"
#include "base/session/ProgramSession.h"
#include "gui/OutputTemplateDialog.h"
#include "gui/RecordLayoutDialog.h"

namespace SetupAssistant {

namespace {

// The assistant's last step: the output template, stored as the transfer settings window
// stores a typed one, so that the assistant's result takes effect.
void showOutputTemplateWindow(Settings& settings, Dialogs& dialogs, QWidget* parent) {
    OutputTemplateDialog window(dialogs, settings.outputTemplate, parent);
    if (window.exec() == QDialog::Accepted) {
        settings.outputTemplate = OutputTemplate::bracesFromAngles(window.outputTemplate());
    }
}

void showRecordLayoutWindow(ProgramSession& session, Dialogs& dialogs, QWidget* parent) {
    RecordLayoutDialog window(session.settings(), session.connection(), session.cycleTimer(),
                              session.status(), parent);
    window.setOpenedByAssistant(true);
    window.openOutputTemplate = [&session, &dialogs, parent] {
        showOutputTemplateWindow(session.settings(), dialogs, parent);
    };
    window.exec();
}

void showTargetWindow(ProgramSession& session, Dialogs& dialogs, QWidget* parent,
                      TargetKindDialog::Caller caller) {
    TargetKindDialog window(session.settings(), dialogs, session.windows(), caller, parent);
    window.openRecordLayout = [&session, &dialogs](QWidget* owner) {
        showRecordLayoutWindow(session, dialogs, owner);
    };
    window.exec();
}

void showPortWindow(ProgramSession& session, Dialogs& dialogs, QWidget* parent,
                    PortSettingsDialog::Caller caller) {
    PortSettingsDialog window(session.settings(), session.connection(), dialogs, caller, parent);
    window.openTarget = [&session, &dialogs](QWidget* owner) {
        showTargetWindow(session, dialogs, owner, TargetKindDialog::Caller::Assistant);
    };
    window.exec();
}

} // namespace

void run(ProgramSession& session, QWidget* parent) {
    // The chain changes the port and the record layout that a running cycle would be reading.
    session.controller().stopCycleAndShowOffline();
    showPortSettings(session, parent, PortSettingsDialog::Caller::Assistant);
}

void showPortSettingsFromMenu(ProgramSession& session, QWidget* parent) {
    session.controller().stopCycleAndShowOffline();
    showPortSettings(session, parent, PortSettingsDialog::Caller::MainWindow);
}

void showPortSettings(ProgramSession& session, QWidget* parent, PortSettingsDialog::Caller caller) {
    showPortWindow(session, session.dialogs(), parent, caller);
}

void showTarget(ProgramSession& session, QWidget* parent, TargetKindDialog::Caller caller) {
    showTargetWindow(session, session.dialogs(), parent, caller);
}

} // namespace SetupAssistant
