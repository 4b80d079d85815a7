#pragma once

#include "gui/PortSettingsDialog.h"
#include "gui/TargetKindDialog.h"

class ProgramSession;
class QWidget;

// Where the main window and the other windows start the setup assistant's windows. Each call
// shows its first window modally and returns when the chain behind it has ended.
namespace SetupAssistant {

// The assistant: port, target with its detail window, record layout and output template, one
// after the other. The main cycle rests meanwhile, as for every settings window.
void run(ProgramSession& session, QWidget* parent);
// The main window's port menu: the port window alone, after the main window shows the offline
// state.
void showPortSettingsFromMenu(ProgramSession& session, QWidget* parent);
// The port window; opened by the assistant, its OK goes on to the target window.
void showPortSettings(ProgramSession& session, QWidget* parent, PortSettingsDialog::Caller caller);
// The target window; opened from the transfer settings window, it ends after the detail window.
void showTarget(ProgramSession& session, QWidget* parent, TargetKindDialog::Caller caller);

} // namespace SetupAssistant
