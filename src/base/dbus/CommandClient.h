#pragma once

#include <QString>

class Dialogs;
struct Settings;

// The D-Bus command target: sends the command of the settings with Execute to the object
// "/" + object path of the bus name, and waits for the answer, letting events run meanwhile.
namespace CommandClient {

// What an empty setting stands for when the target window opens. A bus name has no default
// that could mean anything; the window shows an example instead.
inline const QString ExampleBusName = QStringLiteral("org.example.Sheet");
inline const QString DefaultObjectPath = QStringLiteral("System");
inline const QString DefaultCommand = QStringLiteral(" [RUN(\"getdata\")]");

// How long the client waits for the partner's answer before it gives up silently: the classic
// DDE link time-out of five seconds.
constexpr int TimeoutMs = 5000;

// Why a bus name or object path (without its leading "/") cannot be used, with what a valid one
// looks like, in the user's language; empty when both are valid.
QString targetProblem(const QString& busName, const QString& objectPath);

enum class Outcome {
    Done,          // taken, no answer in time, or the user chose to go on after a failure
    InvalidTarget, // not sent: see targetProblem()
    EndProgram,    // the partner failed and the user chose to end the program
};

// A partner that does not answer in time is ignored; any other failure asks the user whether to
// end the program. Names the bus cannot carry are not sent and not asked about.
Outcome execute(const Settings& settings, Dialogs& dialogs, int timeoutMs = TimeoutMs);

} // namespace CommandClient
