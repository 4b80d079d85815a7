#pragma once

#include <QString>

// The program with its main window on the desktop.
namespace WindowSession {

int run(int argc, char** argv, const QString& configuration);

} // namespace WindowSession
