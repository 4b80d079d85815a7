#include "base/delivery/BackgroundWork.h"

#include <system_error>

std::optional<std::jthread> startInBackground(std::function<void()> work) {
    try {
        return std::jthread(work);
    } catch (const std::system_error&) {
        work();
        return std::nullopt;
    }
}
