#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/wall_clock.h"

namespace quilmo {

inline constexpr std::size_t kMaxBeaconComment = 43;
inline constexpr std::string_view kDefaultSymbol = "/-";
// After the link comes up, so a connect is not answered at once with traffic.
inline constexpr std::int64_t kBeaconAfterLinkUpMs = 10'000;
// However the settings read and however often the link comes and goes.
inline constexpr std::int64_t kShortestBeaconGapMs = 60'000;

// "=4429.50N/01120.25E-comment": a position without time stamp, from a station that takes
// messages, minutes rounded to hundredths. `symbol` is table and code ("/-"); the comment
// is cut after kMaxBeaconComment characters (not bytes). Nothing when
// the position is off the globe.
std::optional<std::string> beaconInformation(double latitude, double longitude, std::string_view symbol,
                                             std::string_view comment);

// When the beacon goes out: 10 s after the link can send, then every `minutes`; never
// sooner than a minute after the last one. Like messaging, it never transmits itself:
// wake() hands out the field when one is due, nextWakeAt() says when to call it.
class BeaconSchedule {
public:
    // No information or no minutes: it never sends.
    BeaconSchedule(std::string information, int minutes, WallClock clock);

    void setLinkReady(bool ready);
    std::optional<std::int64_t> nextWakeAt() const;
    std::optional<std::string> wake();

private:
    std::string information_;
    std::int64_t intervalMs_;
    WallClock clock_;
    bool ready_ = false;
    std::int64_t due_ = 0;
    std::optional<std::int64_t> lastSent_;
};

}  // namespace quilmo
