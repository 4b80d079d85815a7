#pragma once

#include <memory>

// Owns one Wayland protocol object (or the display) and destroys it with the request its
// protocol names for that, when the owner goes. Each user declares waylandDestroy() for the
// types it owns.
template <typename T> struct WaylandDeleter {
    void operator()(T* object) const {
        if (object) {
            waylandDestroy(object);
        }
    }
};

template <typename T> using WaylandObject = std::unique_ptr<T, WaylandDeleter<T>>;
