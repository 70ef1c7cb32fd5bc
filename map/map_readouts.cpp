#include "map/map_readouts.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace quilmo {
namespace {

constexpr double kEquatorMetres = 40075016.686;  // the Web Mercator sphere's circumference

}  // namespace

std::string maidenheadLocator(GeoPoint point) {
    if (!std::isfinite(point.latitude) || !std::isfinite(point.longitude)) return {};
    // Just short of the far edges, so 90 N and 180 E stay in the last square.
    const double lon = std::clamp(point.longitude + 180, 0.0, 359.99999999);
    const double lat = std::clamp(point.latitude + 90, 0.0, 179.99999999);
    const int lonMinutes = static_cast<int>(std::floor(lon * 12));  // units of 5 minutes
    const int latMinutes = static_cast<int>(std::floor(lat * 24));  // units of 2.5 minutes
    std::string out(6, ' ');
    out[0] = static_cast<char>('A' + lonMinutes / 240);
    out[1] = static_cast<char>('A' + latMinutes / 240);
    out[2] = static_cast<char>('0' + lonMinutes / 24 % 10);
    out[3] = static_cast<char>('0' + latMinutes / 24 % 10);
    out[4] = static_cast<char>('a' + lonMinutes % 24);
    out[5] = static_cast<char>('a' + latMinutes % 24);
    return out;
}

double metresPerPixel(double latitude, double zoom) {
    const double lat = std::clamp(latitude, -kMercatorMaxLatitude, kMercatorMaxLatitude);
    return kEquatorMetres * std::cos(lat * std::numbers::pi / 180) / worldPixels(zoom);
}

ScaleBar scaleBarFor(double metresPerPixel, double mostPixels) {
    if (!(metresPerPixel > 0) || !(mostPixels > 0) || !std::isfinite(metresPerPixel)) return {};
    const double most = metresPerPixel * mostPixels;
    double power = std::pow(10.0, std::floor(std::log10(most)));
    // Floating-point log10 may land a hair below a power of ten it equals.
    if (power * 10 <= most) power *= 10;
    for (const double step : {5.0, 2.0, 1.0}) {
        if (step * power <= most) return {step * power, step * power / metresPerPixel};
    }
    return {power / 2, power / 2 / metresPerPixel};
}

std::string scaleBarText(double metres) {
    const long long m = std::llround(metres);
    if (m < 1000) return std::to_string(m) + " m";
    if (m % 1000 == 0) return std::to_string(m / 1000) + " km";
    // 1 to 1000 km in 1-2-5 steps are whole kilometres; this is for other callers.
    std::string km = std::to_string(m / 1000) + "." + std::to_string(m % 1000 / 100);
    return km + " km";
}

std::string agoText(long long seconds) {
    if (seconds < 0) return "just now";
    if (seconds < 60) return std::to_string(seconds) + " s ago";
    if (seconds < 3600) return std::to_string(seconds / 60) + " min ago";
    if (seconds < 86400) return std::to_string(seconds / 3600) + " h ago";
    const long long days = seconds / 86400;
    return std::to_string(days) + (days == 1 ? " day ago" : " days ago");
}

}  // namespace quilmo
