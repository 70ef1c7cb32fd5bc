#include "aprs/beacon.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "aprs/numeric.h"
#include "platform/cp1252_utf8.h"

namespace quilmo {
namespace {

constexpr double kHundredthsPerDegree = 6000;

// "4429.50N": whole degrees, minutes with two decimals. Rounding works on hundredths of
// a minute as a whole, so 59.995' becomes the next degree rather than "60.00".
std::string coordinateText(double degrees, int degreeDigits, char positive, char negative) {
    const auto hundredths = static_cast<long long>(roundHalfEven(std::fabs(degrees) * kHundredthsPerDegree));
    const long long whole = hundredths / 6000, minutes = hundredths % 6000 / 100, fraction = hundredths % 100;
    const char hemisphere = degrees < 0 && hundredths != 0 ? negative : positive;
    char text[32];  // g++ sizes every field at its widest: "%c" must still fit, or -O3 fails the build
    std::snprintf(text, sizeof text, "%0*lld%02lld.%02lld%c", degreeDigits, whole, minutes, fraction, hemisphere);
    return text;
}

}  // namespace

std::optional<std::string> beaconInformation(double latitude, double longitude, std::string_view symbol,
                                             std::string_view comment) {
    if (!(std::fabs(latitude) <= 90) || !(std::fabs(longitude) <= 180) || symbol.size() != 2) return std::nullopt;
    return "=" + coordinateText(latitude, 2, 'N', 'S') + symbol[0] + coordinateText(longitude, 3, 'E', 'W') +
           symbol[1] + std::string(comment.substr(0, bytesOfCharacters(comment, kMaxBeaconComment)));
}

BeaconSchedule::BeaconSchedule(std::string information, int minutes, WallClock clock,
                               std::optional<std::int64_t> lastSent)
    : information_(std::move(information)),
      intervalMs_(std::max<std::int64_t>(minutes, 0) * 60'000),
      clock_(std::move(clock)),
      lastSent_(lastSent) {
    if (information_.empty()) intervalMs_ = 0;
    if (intervalMs_ > 0) intervalMs_ = std::max(intervalMs_, kShortestBeaconGapMs);
}

void BeaconSchedule::setLinkReady(bool ready) {
    if (ready == ready_) return;
    ready_ = ready;
    if (!ready_) return;
    const std::int64_t now = clock_();
    due_ = now + kBeaconAfterLinkUpMs;
    // A flaky link or a restart must not add beacons: the next one keeps the interval
    // from the last. A last beacon "in the future" (the clock was set back) counts as now.
    if (lastSent_) due_ = std::max(due_, std::min(*lastSent_, now) + intervalMs_);
}

std::optional<std::int64_t> BeaconSchedule::nextWakeAt() const {
    if (!ready_ || intervalMs_ == 0) return std::nullopt;
    return due_;
}

std::optional<std::string> BeaconSchedule::wake() {
    if (!ready_ || intervalMs_ == 0) return std::nullopt;
    const std::int64_t now = clock_();
    if (now < due_) return std::nullopt;
    lastSent_ = now;
    due_ = now + intervalMs_;
    return information_;
}

}  // namespace quilmo
