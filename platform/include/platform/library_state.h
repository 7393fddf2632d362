#pragma once

#include <atomic>

namespace platform {

// The two words each library keeps for the component services: live objects and server
// locks. The library may be unloaded only while both are zero.
struct LibraryState {
    std::atomic<int> objects{0};
    std::atomic<int> locks{0};
};

} // namespace platform
