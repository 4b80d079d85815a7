#pragma once

#include <QString>

class Dialogs;
struct Settings;

// The D-Bus command target: sends the command of the settings with Execute to the object
// "/" + object path of the bus name, and waits for the answer, letting events run meanwhile.
namespace CommandClient {

// What an empty setting stands for when the target window opens.
inline const QString DefaultBusName = QStringLiteral("Excel");
inline const QString DefaultObjectPath = QStringLiteral("System");
inline const QString DefaultCommand = QStringLiteral(" [RUN(\"getdata\")]");

// How long the client waits for the partner's answer before it gives up silently: the classic
// DDE link time-out of five seconds.
constexpr int TimeoutMs = 5000;

// A partner that does not answer in time is ignored; any other failure asks the user whether to
// end the program. True when the user chose to end it.
bool execute(const Settings& settings, Dialogs& dialogs, int timeoutMs = TimeoutMs);

} // namespace CommandClient
