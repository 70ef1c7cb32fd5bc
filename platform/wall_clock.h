#pragma once
#include <chrono>
#include <cstdint>
#include <functional>

namespace quilmo {

// Milliseconds since 1970 (UTC). What keeps time across runs (message tries, beacons)
// reads it only through one of these, so tests move it by hand.
using WallClock = std::function<std::int64_t()>;

inline std::int64_t systemMillis() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch()).count();
}

}  // namespace quilmo
