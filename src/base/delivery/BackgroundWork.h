#pragma once

#include <functional>
#include <optional>
#include <thread>

// Work that runs on a thread of its own while the caller goes on, joined when the returned
// thread goes. When no thread can be started the work runs at once, in turn, and nothing is
// returned: the result is the same, only later.
std::optional<std::jthread> startInBackground(std::function<void()> work);
