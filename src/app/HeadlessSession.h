#pragma once

#include <QString>

// The program without a window: status texts and messages go to standard error, questions take
// their default answers. It runs where no display is, in tests, and next to a balance that feeds
// a database.
namespace HeadlessSession {

int run(int argc, char** argv, const QString& configuration);

} // namespace HeadlessSession
