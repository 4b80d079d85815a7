#pragma once

#include <QString>

class MainController;
class QWidget;
class WindowList;

// Where the main window and the other windows start the setup assistant's windows. Each call
// shows its first window modally and returns when the chain behind it has ended.
class SetupAssistant {
public:
    SetupAssistant() = delete;

    // Menu inst_assi: port, target with its detail window, record definition and output
    // template, one after the other. The main cycle rests meanwhile, as for every settings window.
    static void run(MainController& controller, WindowList* windows, QWidget* parent);
    // Menu port: the port window alone, after the main window shows the offline state.
    static void portMenu(MainController& controller, WindowList* windows, QWidget* parent);
    // The port window with the caller tag; "mainform" only stores, any other tag goes on to the
    // target window.
    static void showPortSettings(MainController& controller, WindowList* windows, QWidget* parent,
                                 const QString& callerTag);
    // The target window with the caller tag; "format_def" ends after the detail window.
    static void showTarget(MainController& controller, WindowList* windows, QWidget* parent,
                           const QString& callerTag);
};
