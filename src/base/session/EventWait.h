#pragma once

// Waiting while events run: the program's only thread keeps serving the window, the link and
// the bus meanwhile.
namespace EventWait {

// Returns after seconds (a fraction allowed).
void seconds(double seconds);

} // namespace EventWait
