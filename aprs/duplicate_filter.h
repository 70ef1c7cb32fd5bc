#pragma once
#include <cstdint>
#include <deque>
#include <string_view>
#include <unordered_map>

namespace quilmo {

// One packet heard several times (direct and through digipeaters, or from two TNCs) is
// one packet: same source, destination and information within the window. The copies
// differ only in their path and in what the TNC printed around the header. As APRS-IS
// servers do it, the window runs from the first copy, so a station that beacons the same
// text every few seconds is still heard every 30 seconds.
class DuplicateFilter {
public:
    static constexpr std::int64_t kWindowMs = 30000;

    // True when `line` (a monitored packet, as the decoder reads it) repeats one first heard
    // less than the window before `nowMs` (a clock that never goes back). A line that is no
    // packet is never a repeat.
    bool isRepeat(std::string_view line, std::int64_t nowMs);
    std::size_t remembered() const { return firstHeard_.size(); }

private:
    struct Heard {
        std::int64_t at;
        std::uint64_t key;
    };
    void forgetBefore(std::int64_t oldest);

    std::unordered_map<std::uint64_t, std::int64_t> firstHeard_;  // key -> when first heard
    std::deque<Heard> order_;                                      // in the order first heard
};

}  // namespace quilmo
