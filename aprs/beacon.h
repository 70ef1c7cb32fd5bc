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
// However the settings read.
inline constexpr std::int64_t kShortestBeaconGapMs = 60'000;

// "=4429.50N/01120.25E-comment": a position without time stamp, from a station that takes
// messages, minutes rounded to hundredths. `symbol` is table and code ("/-"); the comment
// is cut after kMaxBeaconComment characters (not bytes). Nothing when
// the position is off the globe.
std::optional<std::string> beaconInformation(double latitude, double longitude, std::string_view symbol,
                                             std::string_view comment);

// When the beacon goes out: every `minutes`, counted from the last one even across a
// restart or a reconnect, and never sooner than 10 s after the link can send; never
// sooner than a minute after the last one however the settings read. Like messaging, it
// never transmits itself: wake() hands out the field when one is due, nextWakeAt() says
// when to call it.
class BeaconSchedule {
public:
    // No information or no minutes: it never sends. `lastSent`: when the last beacon went
    // out, kept by the owner across runs.
    BeaconSchedule(std::string information, int minutes, WallClock clock,
                   std::optional<std::int64_t> lastSent = std::nullopt);

    void setLinkReady(bool ready);
    std::optional<std::int64_t> nextWakeAt() const;
    std::optional<std::string> wake();
    // When the last beacon went out (handed out by wake()); for the owner to keep.
    std::optional<std::int64_t> lastSent() const { return lastSent_; }

private:
    std::string information_;
    std::int64_t intervalMs_;
    WallClock clock_;
    bool ready_ = false;
    std::int64_t due_ = 0;
    std::optional<std::int64_t> lastSent_;
};

}  // namespace quilmo
