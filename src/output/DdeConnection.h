#pragma once

#include <QString>

class MainController;
struct Settings;

// The client side of the DDE link on the D-Bus session bus, and its three stored parameters.
namespace DdeConnection {

// What a program offers on the bus: the interface of the items and of Execute, and the error
// with which every execute command is answered.
inline const QString Interface = QStringLiteral("org.kelvane.Dde");
inline const QString RefusedError = QStringLiteral("org.kelvane.Dde.Error.Refused");

// The parameters a blank entry stands for when the parameter window opens.
inline const QString DefaultApplication = QStringLiteral("Excel");
inline const QString DefaultTopic = QStringLiteral("System");
inline const QString DefaultCommand = QStringLiteral(" [RUN(\"getdata\")]");

// How long the client waits for the partner's answer before it gives up silently: the
// classic DDE link time-out of five seconds.
constexpr int TimeoutMs = 5000;

} // namespace DdeConnection

// Sends befehl with Execute to the object "/" + topic of the bus name anwend and waits for the
// answer, letting events run meanwhile. A partner that does not answer in time is ignored;
// any other failure asks the user whether to end the program.
void DDE_Verbindung(MainController& controller, int timeoutMs = DdeConnection::TimeoutMs);

// Reads anwend, topic and befehl from section DDECONN of the current configuration file into
// settings; missing keys give "Excel", "System" and an empty command.
void Verbfile_lesen(Settings& settings);

// Writes anwend, topic and befehl to section DDECONN of the current configuration file. False
// when the file could not be written.
bool Verbfile_schreiben(const Settings& settings);
